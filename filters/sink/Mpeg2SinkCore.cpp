#include "filters/sink/Mpeg2SinkCore.h"

#include <algorithm>
#include <cstdio>

#include "filters/sink/PsFormat.h"

namespace filters {
namespace {

char16_t LowerAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// Splits a path into folder (with its trailing "/"), base name and extension
// (with its dot).
struct PathParts {
  std::u16string_view folder, base, extension;
};
PathParts Split(std::u16string_view path) {
  PathParts parts;
  const auto slash = path.rfind(u'/');
  const std::size_t nameStart = slash == std::u16string_view::npos ? 0 : slash + 1;
  parts.folder = path.substr(0, nameStart);
  const auto name = path.substr(nameStart);
  const auto dot = name.rfind(u'.');
  parts.base = dot == std::u16string_view::npos ? name : name.substr(0, dot);
  parts.extension = dot == std::u16string_view::npos ? std::u16string_view{} : name.substr(dot);
  return parts;
}

bool IsListName(std::u16string_view name) {
  return EqualsNoCase(Split(name).extension, u".lst");
}

// "%s%s%s_%04d.mpg" from the base path's folder and base name.
std::u16string AutomaticName(std::u16string_view basePath, std::int32_t index) {
  if (basePath.empty()) return {};
  const PathParts parts = Split(basePath);
  char digits[32];
  std::snprintf(digits, sizeof digits, "_%04d.mpg", static_cast<int>(index));
  std::u16string name(parts.folder);
  name += parts.base;
  for (const char* c = digits; *c != 0; ++c)
    name += static_cast<char16_t>(*c);
  return name;
}

// Length of the name that "_0000.mpg" in place of ".lst" gives.
constexpr std::size_t kAutomaticNameGrowth = 5;

}  // namespace

Mpeg2SinkCore::Mpeg2SinkCore(FileSystem& fileSystem)
    : fs_(fileSystem),
      pins_{PinIntake(PinType::kVideo), PinIntake(PinType::kAudio), PinIntake(PinType::kText)} {}

Mpeg2SinkCore::~Mpeg2SinkCore() {
  std::lock_guard guard(lock_);
  CloseCurrentFile();
}

void Mpeg2SinkCore::Receive(PinType pin, const InputSample& sample, const FilterClock& clock) {
  std::lock_guard guard(lock_);
  const std::int64_t audioLastDts = Pin(PinType::kAudio).LastDts();
  Pin(pin).Receive(sample, audioLastDts, [this](const SampleGroup& group) { WriteGroup(group); });

  // Chunk rollover: an automatic chunk older than the chunk duration.
  if (clock.running && listOpen_ && list_.newest >= 0 && list_.Slot(list_.newest).keep == 0 &&
      clock.streamTime - fileStartTime_ > chunkDuration_) {
    SetFileNameLocked(u"dummy.mpg", clock);
  }
}

void Mpeg2SinkCore::WriteGroup(const SampleGroup& group) {
  packetiser_.Build(group, output_);
  const std::size_t packs = output_.PackCount();
  if (packs == 0) return;
  if (!file_ || fileFull_) {
    LosePacks(packs);
    return;
  }
  if (!headerWritten_) {
    std::array<std::uint8_t, kPackSize> start;
    WriteFileStartPack(start, output_.firstInterpolatedScr);
    if (file_->Write(start)) {
      fileBytes_ += kPackSize;
      headerWritten_ = true;
    } else {
      file_->Truncate(fileBytes_);
      LosePacks(packs);
      return;
    }
  }
  if (writeBatch_ == 0) {
    WriteWholeGroup(output_.packs, packs);
    return;
  }
  pending_.insert(pending_.end(), output_.packs.begin(), output_.packs.end());
  pendingGroups_.push_back({output_.packs.size(), packs});
  if (pending_.size() >= writeBatch_) FlushPending();
}

bool Mpeg2SinkCore::WriteWholeGroup(std::span<const std::uint8_t> bytes, std::size_t packs) {
  if (file_->Write(bytes)) {
    lastGroupStart_ = fileBytes_;
    fileBytes_ += bytes.size();
    stats_.packsWritten += packs;
    return true;
  }
  // Full disk or similar: cut the partial write off so the file stays a
  // whole number of packs.
  file_->Truncate(fileBytes_);
  LosePacks(packs);
  return false;
}

void Mpeg2SinkCore::FlushPending() {
  if (pendingGroups_.empty()) return;
  if (file_->Write(pending_)) {
    for (const PendingGroup& group : pendingGroups_) {
      lastGroupStart_ = fileBytes_;
      fileBytes_ += group.bytes;
      stats_.packsWritten += group.packs;
    }
  } else {
    // Back to the last whole write, then group by group as without
    // gathering: what fits stays, a recording stops at its first failure.
    file_->Truncate(fileBytes_);
    std::size_t at = 0;
    for (const PendingGroup& group : pendingGroups_) {
      if (fileFull_) {
        LosePacks(group.packs);
      } else {
        WriteWholeGroup(std::span(pending_).subspan(at, group.bytes), group.packs);
      }
      at += group.bytes;
    }
  }
  pending_.clear();
  pendingGroups_.clear();
}

void Mpeg2SinkCore::LosePacks(std::size_t packs) {
  stats_.packsLost += packs;
  if (!fileKept_) return;
  stats_.recordingPacksLost += packs;
  fileFull_ = true;
}

void Mpeg2SinkCore::SetChunkDuration(std::int64_t duration) {
  std::lock_guard guard(lock_);
  chunkDuration_ = duration > 0 ? duration : kChunkDuration;
}

void Mpeg2SinkCore::SetWriteBatch(std::size_t bytes) {
  std::lock_guard guard(lock_);
  FlushPending();
  writeBatch_ = bytes;
}

void Mpeg2SinkCore::SetLiveChunks(int chunks) {
  std::lock_guard guard(lock_);
  liveChunks_ = std::clamp(chunks, 1, kMaxListSlots - kSpareSlots);
}

FileNameResult Mpeg2SinkCore::SetFileName(const char16_t* name, const FilterClock& clock) {
  if (name == nullptr) return FileNameResult::kNullName;
  std::lock_guard guard(lock_);
  return SetFileNameLocked(std::u16string_view(name), clock);
}

FileNameResult Mpeg2SinkCore::SetFileNameLocked(std::u16string_view name,
                                                const FilterClock& clock) {
  // Names are stored in 260-unit fields with their terminator.
  if (name.size() >= kMaxPath) return FileNameResult::kNameTooLong;
  const bool listName = IsListName(name);
  if (listName && name.size() + kAutomaticNameGrowth >= kMaxPath)
    return FileNameResult::kNameTooLong;
  // One list per sink: a second list name would orphan the first list's
  // chunks and their deletion, so it is refused and nothing changes.
  if (listName && listOpen_) return FileNameResult::kSecondList;

  bool added = false;
  bool kept = false;  // a caller's file (a recording), not a chunk of the buffer
  if (listName) {
    CloseCurrentFile();
    list_ = ChunkList(liveChunks_);
    listPath_ = name;
    basePath_ = name;
    listOpen_ = true;
    added = AddEntry({}, false);
  } else {
    const bool automatic = EqualsNoCase(Split(name).base, u"dummy");
    if (automatic && AutomaticName(basePath_, list_.newest + 1).size() >= kMaxPath) {
      return FileNameResult::kNameTooLong;
    }
    CloseCurrentFile();
    if (!listOpen_) {
      list_ = ChunkList(liveChunks_);
      listPath_ = kDefaultListName;
      listOpen_ = true;
    }
    kept = !automatic;
    added = automatic ? AddEntry({}, false) : AddEntry(name, true);
  }
  if (!added) return FileNameResult::kNameTooLong;

  const FileNameResult result = OpenNewest(clock);
  if (result == FileNameResult::kCreateFailed && kept && !basePath_.empty()) {
    // A recording file that cannot be made must not stop the live buffer:
    // its entry goes again and the buffer goes on in a new chunk.
    DropNewestEntry();
    if (AddEntry({}, false)) OpenNewest(clock);
  }
  return result;
}

FileNameResult Mpeg2SinkCore::OpenNewest(const FilterClock& clock) {
  fileStartTime_ = clock.running ? clock.streamTime : 0;
  fileKept_ = list_.Slot(list_.newest).keep == 1;
  fileFull_ = false;
  stats_.recordingPacksLost = 0;
  lastGroupStart_ = 0;
  currentPath_ = list_.Slot(list_.newest).Path();
  if (currentPath_.empty()) return FileNameResult::kNoPath;
  file_ = fs_.Create(currentPath_);
  fileBytes_ = 0;
  headerWritten_ = false;
  if (!file_) {
    ++stats_.fileCreateFailures;
    return FileNameResult::kCreateFailed;
  }
  ++stats_.filesCreated;
  return FileNameResult::kOpened;
}

void Mpeg2SinkCore::DropNewestEntry() {
  list_.Slot(list_.newest) = ChunkSlot{};
  --list_.newest;
  --list_.nextNumber;
  --list_.liveCount;
  currentPath_.clear();
  WriteList();
}

bool Mpeg2SinkCore::AddEntry(std::u16string_view path, bool keep) {
  const std::int32_t index = list_.newest + 1;
  std::u16string name = keep ? std::u16string(path) : AutomaticName(basePath_, index);
  if (name.size() >= kMaxPath) return false;

  if (list_.liveCount >= list_.MaxLive()) {
    ChunkSlot& old = list_.Slot(list_.oldest);
    if (old.keep != 1 && !old.Path().empty()) fs_.Remove(std::u16string(old.Path()));
    old = ChunkSlot{};
    ++list_.oldest;
    --list_.liveCount;
  }
  list_.newest = index;
  ChunkSlot& slot = list_.Slot(index);
  slot = ChunkSlot{};
  slot.state = kSlotLive;
  slot.keep = keep ? 1 : 0;
  slot.sequence = list_.nextNumber++;
  std::copy(name.begin(), name.end(), slot.path.begin());
  ++list_.liveCount;
  WriteList();
  return true;
}

void Mpeg2SinkCore::WriteList() {
  const auto bytes = list_.Serialize();
  if (!fs_.Replace(listPath_, bytes)) ++stats_.listWriteFailures;
}

void Mpeg2SinkCore::CloseCurrentFile() {
  if (file_) {
    FlushPending();
    if (!WriteEndCode() && fileFull_ && lastGroupStart_ > 0) {
      // A recording that filled the disk: its last group makes room for the
      // end code, so the file still ends as a programme stream should.
      fileBytes_ = lastGroupStart_;
      file_->Truncate(fileBytes_);
      WriteEndCode();
    }
    file_->Close();
    file_.reset();
  }
  fileKept_ = false;
  fileFull_ = false;
  currentPath_.clear();
}

bool Mpeg2SinkCore::WriteEndCode() {
  if (file_->Write(kProgramEndCode)) {
    fileBytes_ += sizeof kProgramEndCode;
    return true;
  }
  file_->Truncate(fileBytes_);
  return false;
}

std::u16string Mpeg2SinkCore::GetCurFile() const {
  std::lock_guard guard(lock_);
  return basePath_.empty() ? currentPath_ : basePath_;
}

void Mpeg2SinkCore::Stop() {
  std::lock_guard guard(lock_);
  CloseCurrentFile();
}

void Mpeg2SinkCore::ReleasePin(PinType pin) {
  std::lock_guard guard(lock_);
  Pin(pin).Clear();
}

bool Mpeg2SinkCore::EndOfStream() {
  std::lock_guard guard(lock_);
  return ++endOfStreamCount_ == static_cast<int>(pins_.size());
}

void Mpeg2SinkCore::ResetEndOfStream() {
  std::lock_guard guard(lock_);
  endOfStreamCount_ = 0;
}

ChunkList Mpeg2SinkCore::List() const {
  std::lock_guard guard(lock_);
  return list_;
}

std::u16string Mpeg2SinkCore::ListPath() const {
  std::lock_guard guard(lock_);
  return listPath_;
}

std::u16string Mpeg2SinkCore::CurrentPath() const {
  std::lock_guard guard(lock_);
  return currentPath_;
}

bool Mpeg2SinkCore::FileOpen() const {
  std::lock_guard guard(lock_);
  return file_ != nullptr;
}

std::int64_t Mpeg2SinkCore::RunningScr() const {
  std::lock_guard guard(lock_);
  return packetiser_.RunningScr();
}

SinkStats Mpeg2SinkCore::Stats() const {
  std::lock_guard guard(lock_);
  SinkStats stats = stats_;
  stats.video = pins_[0].Stats();
  stats.audio = pins_[1].Stats();
  stats.text = pins_[2].Stats();
  return stats;
}

std::size_t Mpeg2SinkCore::HeldSamples(PinType pin) const {
  std::lock_guard guard(lock_);
  return pins_[static_cast<std::size_t>(pin) - 1].HeldSamples();
}

std::size_t Mpeg2SinkCore::HeldBytes(PinType pin) const {
  std::lock_guard guard(lock_);
  return pins_[static_cast<std::size_t>(pin) - 1].HeldBytes();
}

}  // namespace filters
