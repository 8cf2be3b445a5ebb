#include "filters/source/Mpeg2SourceCore.h"

#include <algorithm>

#include "filters/sink/PsFormat.h"

namespace filters {
namespace {

// Packs read between list refreshes while the current chunk still has data;
// at the end of a chunk the list is always re-read.
constexpr unsigned kRefreshEvery = 64;
// A copy caught while a writer replaced the list is whole again at the next
// read; this many damaged copies in a row, read while waiting at the end of
// what the list named (a second and more of polling), mean the list itself
// is damaged and nothing more can be found.
constexpr unsigned kDamagedCopiesToEnd = 50;

bool IsListPath(std::u16string_view path) {
  if (path.size() < 4) return false;
  const auto ext = path.substr(path.size() - 4);
  auto lower = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; };
  return ext[0] == u'.' && lower(ext[1]) == u'l' && lower(ext[2]) == u's' && lower(ext[3]) == u't';
}

}  // namespace

Mpeg2SourceCore::Mpeg2SourceCore(FileSystem& fileSystem) : fs_(fileSystem) {}

HRESULT Mpeg2SourceCore::Load(const char16_t* path) {
  if (path == nullptr) return E_POINTER;
  std::lock_guard guard(lock_);
  path_ = path;
  single_.reset();
  readers_.clear();
  readerEntry_.clear();
  list_ = ChunkList{};
  haveList_ = false;
  current_ = -1;
  position_ = 0;
  damagedCopiesInARow_ = 0;
  failure_ = S_OK;
  listMode_ = IsListPath(path_) && !noListLoading_;
  if (!listMode_) {
    single_ = std::make_unique<FileReader>(fs_, path_);
    if (!single_->IsOpen()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    single_->Measure(-1);
    single_->SeekToPack(0);
    return S_OK;
  }
  const HRESULT hr = RefreshLocked();
  if (hr == E_HANDLE) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  if (!haveList_) return E_FAIL;
  return S_OK;
}

std::u16string Mpeg2SourceCore::GetCurFile() const {
  std::lock_guard guard(lock_);
  return path_;
}

HRESULT Mpeg2SourceCore::UseSingleFile(std::uint32_t value) {
  std::lock_guard guard(lock_);
  noListLoading_ = value != 0;
  listMode_ = false;
  readers_.clear();
  readerEntry_.clear();
  single_ = std::make_unique<FileReader>(fs_, path_);
  single_->Measure(-1);
  return single_->IsOpen() ? S_OK : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

bool Mpeg2SourceCore::ListMode() const {
  std::lock_guard guard(lock_);
  return listMode_;
}

HRESULT Mpeg2SourceCore::RefreshList() {
  std::lock_guard guard(lock_);
  return RefreshLocked();
}

HRESULT Mpeg2SourceCore::RefreshLocked() {
  if (!listMode_) return S_OK;
  auto file = fs_.Open(path_);
  if (!file) return E_HANDLE;
  // One byte more than the widest list, so a longer file is seen as such.
  readBuffer_.resize(kListFileSize + (kMaxListSlots - kListSlots) * kListSlotSize + 1);
  const std::size_t got = file->ReadAt(0, readBuffer_);
  file.reset();
  const auto copy = std::span(readBuffer_).first(std::min(got, readBuffer_.size()));
  if (haveList_ && std::equal(copy.begin(), copy.end(), listBytes_.begin(), listBytes_.end())) {
    damagedCopiesInARow_ = 0;
    return S_OK;  // unchanged
  }
  const auto parsed = ChunkList::Parse(copy);
  if (!parsed) {
    // Possibly caught while being replaced, or damaged: keep what we have.
    ++stats_.listCopiesIgnored;
    ++damagedCopiesInARow_;
    return S_FALSE;
  }
  damagedCopiesInARow_ = 0;
  if (readers_.size() != parsed->slots.size()) {
    // A ring of another width: every entry sits in another slot.
    readers_.clear();
    readers_.resize(parsed->slots.size());
    readerEntry_.assign(parsed->slots.size(), -1);
  }

  // Keep the readers of entries that are still live under the same name;
  // free those of dropped entries; open readers for new entries, in order.
  std::int64_t reference = -1;
  for (std::int32_t e = parsed->oldest; e <= parsed->newest; ++e) {
    const std::size_t k = parsed->SlotOf(e);
    auto& reader = readers_[k];
    const bool same = reader && readerEntry_[k] == e && reader->Path() == parsed->Slot(e).Path();
    if (!same) {
      reader = std::make_unique<FileReader>(fs_, std::u16string(parsed->Slot(e).Path()));
      readerEntry_[k] = e;
      reader->Measure(reference);
    }
    if (reader->LastTime() >= 0) reference = reader->LastTime();
  }
  for (std::size_t k = 0; k < readers_.size(); ++k) {
    const std::int32_t e = readerEntry_[k];
    if (e >= 0 && (parsed->liveCount == 0 || e < parsed->oldest || e > parsed->newest)) {
      readers_[k].reset();
      readerEntry_[k] = -1;
    }
  }
  list_ = *parsed;
  listBytes_.assign(copy.begin(), copy.end());
  haveList_ = true;
  if (list_.liveCount == 0) {
    current_ = -1;
  } else if (current_ < list_.oldest || current_ > list_.newest) {
    // Not started yet, or the chunk being played was dropped by the writer.
    current_ = list_.oldest;
    if (FileReader* r = Reader(current_)) r->SeekToPack(0);
  }
  return S_OK;
}

FileReader* Mpeg2SourceCore::Reader(std::int32_t index) {
  if (index < 0 || !list_.IsLive(index)) return nullptr;
  const std::size_t k = list_.SlotOf(index);
  if (k >= readers_.size()) return nullptr;
  return readerEntry_[k] == index ? readers_[k].get() : nullptr;
}

void Mpeg2SourceCore::MeasureAll() {
  std::int64_t reference = -1;
  for (std::int32_t e = list_.oldest; e <= list_.newest && list_.liveCount > 0; ++e) {
    FileReader* r = Reader(e);
    if (!r) continue;
    r->Measure(reference);
    if (r->LastTime() >= 0) reference = r->LastTime();
  }
}

HRESULT Mpeg2SourceCore::Seek(std::int64_t position) {
  std::lock_guard guard(lock_);
  return SeekLocked(position);
}

HRESULT Mpeg2SourceCore::SeekLocked(std::int64_t position) {
  position_ = position;
  const std::int64_t target27 = position * 27 / 10;
  if (!listMode_) {
    if (single_) single_->SeekToTime(target27);
    return S_OK;
  }
  const HRESULT hr = RefreshLocked();
  if (FAILED(hr)) return hr;
  if (list_.liveCount == 0) return S_OK;
  MeasureAll();
  // The last entry whose range holds the position; else the first entry that
  // ends after it (a position before or between chunks); else the newest.
  std::int32_t chosen = -1;
  for (std::int32_t e = list_.oldest; e <= list_.newest; ++e) {
    const FileReader* r = Reader(e);
    if (r && r->FirstTime() >= 0 && r->LastTime() >= 0 && Time100ns(r->FirstTime()) <= position &&
        position < Time100ns(r->LastTime())) {
      chosen = e;
    }
  }
  for (std::int32_t e = list_.oldest; chosen < 0 && e <= list_.newest; ++e) {
    const FileReader* r = Reader(e);
    if (r && r->LastTime() >= 0 && position < Time100ns(r->LastTime())) chosen = e;
  }
  if (chosen < 0) chosen = list_.newest;
  current_ = chosen;
  if (FileReader* r = Reader(current_)) r->SeekToTime(target27);
  packsSinceRefresh_ = 0;
  return S_OK;
}

HRESULT Mpeg2SourceCore::GetAvailable(std::int64_t& earliest, std::int64_t& latest) {
  std::lock_guard guard(lock_);
  std::int64_t first = -1, last = -1;
  auto take = [&](const FileReader& r) {
    if (r.FirstTime() >= 0 && (first < 0 || r.FirstTime() < first)) first = r.FirstTime();
    if (r.LastTime() >= 0 && r.LastTime() > last) last = r.LastTime();
  };
  if (listMode_) {
    RefreshLocked();
    MeasureAll();
    for (std::int32_t e = list_.oldest; e <= list_.newest && list_.liveCount > 0; ++e) {
      if (const FileReader* r = Reader(e)) take(*r);
    }
  } else if (single_) {
    single_->Measure(single_->FirstTime());
    take(*single_);
  }
  earliest = first >= 0 ? Time100ns(first) : 0;
  latest = last >= 0 ? Time100ns(last) : 0;
  return S_OK;
}

ReadStatus Mpeg2SourceCore::ReadNext(SourceRead& out) {
  std::lock_guard guard(lock_);
  out.payloads.clear();
  out.scr27 = -1;
  auto readFrom = [&](FileReader* reader) {
    if (reader == nullptr || !reader->ReadPack(pack_, out.scr27)) return false;
    ++stats_.packsRead;
    stats_.malformed += pack_.malformed;
    std::size_t total = 0;
    for (const EsPayload& p : pack_.payloads)
      total += p.bytes.size();
    out.storage.resize(total);
    std::size_t used = 0;
    for (const EsPayload& p : pack_.payloads) {
      SourcePayload sp;
      sp.stream = p.stream;
      sp.hasPts = p.hasPts;
      if (p.hasPts) {
        sp.pts27 = reader->ExtendedPts(p);
        sp.pts100 = Time100ns(sp.pts27);
      }
      std::copy(p.bytes.begin(), p.bytes.end(), out.storage.begin() + used);
      sp.bytes = std::span<const std::uint8_t>(out.storage).subspan(used, p.bytes.size());
      used += p.bytes.size();
      out.payloads.push_back(sp);
    }
    return true;
  };

  if (!listMode_) {
    return readFrom(single_.get()) ? ReadStatus::kData : ReadStatus::kEndOfStream;
  }
  if (!haveList_) {
    RefreshLocked();
    if (!haveList_) return ReadStatus::kEndOfStream;  // never a valid list
  }
  if (++packsSinceRefresh_ >= kRefreshEvery) {
    packsSinceRefresh_ = 0;
    RefreshLocked();
  }
  for (std::size_t step = 0; step <= list_.slots.size(); ++step) {
    if (readFrom(Reader(current_))) return ReadStatus::kData;
    // End of this chunk: see whether the writer moved on.
    packsSinceRefresh_ = 0;
    RefreshLocked();
    if (readFrom(Reader(current_))) return ReadStatus::kData;
    if (current_ < 0 || current_ >= list_.newest) {
      if (damagedCopiesInARow_ < kDamagedCopiesToEnd) return ReadStatus::kNoDataYet;
      failure_ = kDamagedList;
      return ReadStatus::kEndOfStream;
    }
    ++current_;
    if (FileReader* r = Reader(current_)) r->SeekToPack(0);
  }
  return ReadStatus::kNoDataYet;
}

HRESULT Mpeg2SourceCore::SetRate(double rate) {
  std::lock_guard guard(lock_);
  if (!(rate > 0)) {
    rate_ = 1.0;
    return E_FAIL;
  }
  rate_ = rate;
  return S_OK;
}

double Mpeg2SourceCore::Rate() const {
  std::lock_guard guard(lock_);
  return rate_;
}

HRESULT Mpeg2SourceCore::SetPositions(std::int64_t current, std::int64_t stop) {
  std::lock_guard guard(lock_);
  stop_ = stop;
  return SeekLocked(current);
}

std::int64_t Mpeg2SourceCore::CurrentPosition() const {
  std::lock_guard guard(lock_);
  return position_;
}

std::int64_t Mpeg2SourceCore::StopPosition() const {
  std::lock_guard guard(lock_);
  return stop_;
}

std::int64_t Mpeg2SourceCore::Duration() const {
  std::lock_guard guard(lock_);
  return duration_;
}

HRESULT Mpeg2SourceCore::Failure() const {
  std::lock_guard guard(lock_);
  return failure_;
}

SourceStats Mpeg2SourceCore::Stats() const {
  std::lock_guard guard(lock_);
  return stats_;
}

std::int32_t Mpeg2SourceCore::CurrentEntry() const {
  std::lock_guard guard(lock_);
  return listMode_ ? current_ : -1;
}

}  // namespace filters
