// KeyedList: the sorted collection behind the channel list, each channel's
// guide events and texts, the section store and the PSI PID list.
//
// Entries are kept in ascending order of a 64-bit key: the high word compared
// as signed, then the low word compared as unsigned. A new entry goes after
// every entry with an equal key. Entries never move in memory while they are
// in the list, so callers may hold pointers to them.
//
// The list carries one shared walk cursor (First/Next). The cursor is moved to
// the following entry before the current one is handed out, so the current
// entry may be removed during a walk. Two walks of one list may not overlap.
// The list does no locking of its own; its owner's lock guards it.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <utility>

namespace common {

struct ListKey {
  std::uint32_t low = 0;
  std::int32_t high = 0;

  friend constexpr bool operator==(const ListKey&, const ListKey&) = default;
  friend constexpr std::strong_ordering operator<=>(const ListKey& a, const ListKey& b) {
    if (auto c = a.high <=> b.high; c != 0) return c;
    return a.low <=> b.low;
  }
};

template <class T>
class KeyedList {
  using Map = std::multimap<ListKey, T>;

 public:
  using iterator = typename Map::iterator;
  using const_iterator = typename Map::const_iterator;

  KeyedList() = default;
  KeyedList(const KeyedList&) = delete;
  KeyedList& operator=(const KeyedList&) = delete;
  KeyedList(KeyedList&& other) noexcept : items_(std::move(other.items_)), cursor_(items_.end()) {}
  KeyedList& operator=(KeyedList&& other) noexcept {
    items_ = std::move(other.items_);
    cursor_ = items_.end();
    return *this;
  }

  // Inserts after every entry whose key is not greater; returns the stored entry.
  T& Insert(ListKey key, T value) {
    auto it = items_.emplace_hint(items_.upper_bound(key), key, std::move(value));
    return it->second;
  }

  // First entry with exactly this key, or null.
  T* Find(ListKey key) {
    auto it = items_.find(key);
    return it == items_.end() ? nullptr : &it->second;
  }
  const T* Find(ListKey key) const {
    auto it = items_.find(key);
    return it == items_.end() ? nullptr : &it->second;
  }

  // Removes the entry stored at `entry` (a pointer handed out by this list).
  // A walk whose cursor stands on it moves on to the following entry.
  bool Remove(const T* entry) {
    for (auto it = items_.begin(); it != items_.end(); ++it) {
      if (&it->second == entry) {
        Erase(it);
        return true;
      }
    }
    return false;
  }

  // Removes the first entry with this key.
  bool RemoveKey(ListKey key) {
    auto it = items_.find(key);
    if (it == items_.end()) return false;
    Erase(it);
    return true;
  }

  // Removes every entry for which pred(key, entry) is true; returns the count.
  template <class Pred>
  std::size_t RemoveIf(Pred pred) {
    std::size_t removed = 0;
    for (auto it = items_.begin(); it != items_.end();) {
      if (pred(it->first, it->second)) {
        auto next = std::next(it);
        Erase(it);
        it = next;
        ++removed;
      } else {
        ++it;
      }
    }
    return removed;
  }

  void Clear() {
    items_.clear();
    cursor_ = items_.end();
  }

  // Shared-cursor walk: First() starts it, Next() continues; null at the end.
  T* First() {
    cursor_ = items_.begin();
    return Next();
  }
  T* Next() {
    if (cursor_ == items_.end()) return nullptr;
    auto current = cursor_++;
    return &current->second;
  }

  // Key of an entry handed out by this list.
  static ListKey KeyOf(const_iterator it) { return it->first; }

  bool empty() const { return items_.empty(); }
  std::size_t size() const { return items_.size(); }
  iterator begin() { return items_.begin(); }
  iterator end() { return items_.end(); }
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }

 private:
  void Erase(iterator it) {
    if (it == cursor_) ++cursor_;
    items_.erase(it);
  }

  Map items_;
  iterator cursor_ = items_.end();
};

}  // namespace common
