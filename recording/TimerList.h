// The timer list: up to 512 recording timers in order of creation, with the
// rule that refuses a timer overlapping as many timers as there are tuners,
// the due test and the delay to the next timer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/Guid.h"
#include "recording/TimerRecord.h"

namespace recording {

inline constexpr std::int64_t kWeekSeconds = 604800;
inline constexpr std::int64_t kDaySeconds = 86400;

// The bit of a weekday (Sunday 0 ... Saturday 6) in a day mask.
constexpr std::uint8_t DayBit(int weekday) {
  return static_cast<std::uint8_t>(0x40 >> weekday);
}

// Weekday (Sunday 0) of a wall-clock time.
int WallClockWeekday(std::int64_t wallSeconds);

// A new record before the caller fills it, for the UTC time `nowUtc`.
TimerRecord NewTimerRecord(std::int64_t nowUtc);

// Number of overlaps (0 or 1) of two timers, by their kinds.
int Overlap(const TimerRecord& a, const TimerRecord& b);

// Occurrences of weekly timer `w` that overlap a once span (wall-clock start s,
// duration d), counted once at most.
int WeeklyOnce(const TimerRecord& w, std::int64_t s, std::int64_t d);

// Whether the timer is due at UTC time `nowUtc`.
bool IsDue(const TimerRecord& timer, std::int64_t nowUtc);

// One line of the timer list; empty for kinds other than once and weekly.
std::string TimerText(const TimerRecord& timer);

// What AddTimer did with a new timer.
enum class AddTimerResult {
  kAdded,
  kListFull,         // the list holds its 512 timers already
  kConflict,         // the timer overlaps as many timers as there are tuners
  kInvalidDuration,  // no time at all, or more than a day
};

class TimerList {
 public:
  // Called by RemoveTimer for a timer that a graph is recording, so that the
  // recording stops before the record goes.
  using StopRecordingHook = std::function<void(TimerRecord&)>;

  int count() const { return count_; }
  bool empty() const { return count_ == 0; }
  TimerRecord& operator[](int i) { return timers_[static_cast<std::size_t>(i)]; }
  const TimerRecord& operator[](int i) const { return timers_[static_cast<std::size_t>(i)]; }
  const TimerRecord* begin() const { return timers_.data(); }
  const TimerRecord* end() const { return timers_.data() + count_; }

  void SetStopRecordingHook(StopRecordingHook hook) { stopHook_ = std::move(hook); }

  // Adds a timer; refuses it when the list is full, when it lasts no time or
  // more than a day, or when it overlaps `tunerCount` timers or more. The caller tells the user of
  // a refusal.
  AddTimerResult AddTimer(const tuning::ChannelLocator& channel, std::uint32_t start,
                          std::uint32_t end, std::u16string_view name, RepeatKind repeatKind,
                          std::uint8_t dayMask, std::int64_t wallClockStart, std::uint32_t duration,
                          int tunerCount);

  // Appends a record as read from the settings file (run-time fields cleared);
  // false when the list is full.
  bool AppendLoaded(const TimerRecord& record);

  void RemoveTimer(int index);
  bool RemoveByIdentity(const GUID& identity);
  void Clear() { count_ = 0; }

  int CountConflicts(const TimerRecord& candidate) const;

  // Whether a timer on the channel with these two key words overlaps the span
  // (the guide grid marks such events).
  bool IsScheduled(std::uint32_t key1, std::uint32_t key2, std::int64_t wallClockStart,
                   std::int64_t duration) const;

  // Seconds from `nowUtc` until the next timer starts, or nothing when no timer
  // lies ahead. Weekly occurrences are placed in local time and converted to
  // UTC by the time-zone rules, so a daylight-saving change never shifts the
  // wake-up. Once timers that have already started do not count: they are
  // running or about to be removed, and must not delay the wake-up for a
  // later timer.
  std::optional<std::int64_t> SecondsToNextTimer(std::int64_t nowUtc) const;

 private:
  std::array<TimerRecord, kMaxTimers> timers_{};
  int count_ = 0;
  StopRecordingHook stopHook_;
};

}  // namespace recording
