#include "app/SettingsFile.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "common/ByteReader.h"
#include "common/Crc32.h"
#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "platform/io/AtomicFile.h"
#include "platform/io/AtomicWrite.h"

namespace app {
namespace {

using Tag = std::array<char, 4>;
constexpr Tag kChanTag = {'C', 'H', 'A', 'N'};
constexpr Tag kOptTag = {'O', 'P', 'T', '\0'};
constexpr Tag kTimerTag = {'T', 'I', 'M', ' '};
constexpr Tag kEndTag = {'E', 'N', 'D', ' '};

constexpr std::size_t kHeaderSize = 16;

// Largest "OPT" payload the reader accepts: 16 tuners and two decoder names,
// every counted string at its 65,535-unit maximum, and the options record.
constexpr std::uint32_t kMaxOptPayload =
    4 + kMaxTuners * (2 * (2 + 65535 * 2) + 16) + 2 * (2 + 65535 * 2) + sizeof(Settings);

// ---- Writing ----------------------------------------------------------------

class FileImage {
 public:
  void Chunk(const Tag& tag, std::span<const std::uint8_t> payload) {
    const std::size_t start = bytes_.size();
    bytes_.insert(bytes_.end(), tag.begin(), tag.end());
    Le32(kChunkMagic);
    Le32(static_cast<std::uint32_t>(payload.size()));
    Le32(0);
    bytes_.insert(bytes_.end(), payload.begin(), payload.end());
    Le32(common::Crc32Mpeg2(std::span(bytes_).subspan(start)));
  }
  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  void Le32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  std::vector<std::uint8_t> bytes_;
};

template <class T>
std::span<const std::uint8_t> BytesOf(const T& record) {
  return {reinterpret_cast<const std::uint8_t*>(&record), sizeof record};
}

void PutLe16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A counted string: the unit count including the terminating zero, then the units.
void PutCountedString(std::vector<std::uint8_t>& out, std::span<const char16_t> field) {
  const std::u16string_view text = common::FieldView(field);
  PutLe16(out, static_cast<std::uint16_t>(text.size() + 1));
  for (char16_t c : text)
    PutLe16(out, c);
  PutLe16(out, 0);
}

// ---- Reading ----------------------------------------------------------------

// Reads a counted string into a fixed field. False when the string has no
// terminator or runs past the payload; a string longer than the field is cut
// so that the field stays terminated.
bool ReadCountedString(common::ByteReader& r, std::span<char16_t> field) {
  const std::uint16_t count = r.Le16();
  if (!r.Ok() || count == 0) return false;
  common::ByteReader units = r.Sub(std::size_t{count} * 2);
  if (!r.Ok()) return false;
  std::u16string text;
  for (std::uint16_t i = 0; i < count; ++i) {
    const char16_t c = units.Le16();
    if (i + 1 == count && c != 0) return false;  // no terminator
    if (c == 0) break;                           // copied up to its terminating zero
    text.push_back(c);
  }
  common::SetField(field, text);
  return true;
}

struct OptContent {
  std::uint32_t tunerCount = 0;
  std::array<TunerEntry, kMaxTuners> tuners{};
  char16_t videoDecoder[256] = {};
  char16_t audioDecoder[256] = {};
  Settings settings;
};

bool ParseOpt(std::span<const std::uint8_t> payload, OptContent& out) {
  common::ByteReader r(payload);
  out.tunerCount = r.Le32();
  if (!r.Ok() || out.tunerCount > kMaxTuners) return false;
  for (std::uint32_t i = 0; i < out.tunerCount; ++i) {
    TunerEntry& t = out.tuners[i];
    if (!ReadCountedString(r, t.friendlyName) || !ReadCountedString(r, t.devicePath)) {
      return false;
    }
    const auto locator = r.Bytes(sizeof(tuning::ChannelLocator));
    if (!r.Ok()) return false;
    std::memcpy(&t.locator, locator.data(), locator.size());
  }
  if (!ReadCountedString(r, out.videoDecoder) || !ReadCountedString(r, out.audioDecoder)) {
    return false;
  }
  const auto record = r.Bytes(sizeof(Settings));
  if (!r.Ok()) return false;
  std::memcpy(static_cast<void*>(&out.settings), record.data(), record.size());
  out.settings.recordFolder[259] = u'\0';
  out.settings.bufferFolder[259] = u'\0';
  return true;
}

class ChunkReader {
 public:
  explicit ChunkReader(std::span<const std::uint8_t> image) : in_(image) {}

  enum class Result { kChunk, kError };

  // Reads one chunk: header, payload (kept when the tag says so, else only run
  // through the CRC) and the stored CRC.
  Result Next(Tag& tag, std::span<const std::uint8_t>& payload) {
    const auto header = in_.Bytes(kHeaderSize);
    if (!in_.Ok()) return Result::kError;
    std::memcpy(tag.data(), header.data(), 4);
    common::ByteReader fields(header.subspan(8));
    const std::uint32_t length = fields.Le32();

    const std::optional<std::uint32_t> expected = ExpectedLength(tag);
    if (expected && length != *expected) return Result::kError;
    if (tag == kOptTag && length > kMaxOptPayload) return Result::kError;

    const auto body = in_.Bytes(length);
    const std::uint32_t stored = in_.Le32();
    if (!in_.Ok()) return Result::kError;
    const std::uint32_t crc =
        common::Crc32Update(common::Crc32Update(common::kCrc32Initial, header), body);
    if (stored != crc) return Result::kError;
    payload = expected || tag == kOptTag ? body : std::span<const std::uint8_t>();
    return Result::kChunk;
  }

 private:
  static std::optional<std::uint32_t> ExpectedLength(const Tag& tag) {
    if (tag == kChanTag) return sizeof(tuning::ChannelRecord);
    if (tag == kTimerTag) return sizeof(recording::TimerRecord);
    return std::nullopt;
  }

  common::ByteReader in_;
};

// The whole file, or nothing when it cannot be opened.
std::optional<std::vector<std::uint8_t>> ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  char block[65536];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    bytes.insert(bytes.end(), block, block + in.gcount());
  }
  return bytes;
}

}  // namespace

int SettingsFile::LoadSettingsFile() {
  const auto image = ReadWhole(path_);
  if (!image) {
    lastLoad_ = LoadOutcome::kMissing;
    return 1;
  }
  Load(*image);
  return 0;
}

LoadOutcome SettingsFile::Load(std::span<const std::uint8_t> image) {
  ChunkReader reader(image);
  Tag tag{};
  std::span<const std::uint8_t> payload;
  bool clean = false;
  while (reader.Next(tag, payload) == ChunkReader::Result::kChunk) {
    if (tag == kEndTag) {
      clean = true;
      break;
    }
    if (tag == kOptTag) {
      auto content = std::make_unique<OptContent>();
      if (!ParseOpt(payload, *content)) break;
      manager_.tunerCount = content->tunerCount;
      for (std::uint32_t i = 0; i < content->tunerCount; ++i)
        manager_.tuners[i] = content->tuners[i];
      std::memcpy(manager_.videoDecoder, content->videoDecoder, sizeof manager_.videoDecoder);
      std::memcpy(manager_.audioDecoder, content->audioDecoder, sizeof manager_.audioDecoder);
      manager_.settings = content->settings;
    } else if (tag == kTimerTag) {
      recording::TimerRecord timer;
      std::memcpy(static_cast<void*>(&timer), payload.data(), sizeof timer);
      timer.name[255] = u'\0';
      manager_.timers.AppendLoaded(timer);  // surplus timers beyond 512 are ignored
    } else if (tag == kChanTag) {
      tuning::ChannelRecord record;
      std::memcpy(static_cast<void*>(&record), payload.data(), sizeof record);
      record.name[15] = u'\0';
      record.guideTableCount = 0;
      auto lock = channels_.Acquire();
      if (!channels_.FindByKeys(record.locator.key1, record.locator.key2)) {
        channels_.InsertSorted(record);
      }
    }
    // Any other tag is skipped.
  }
  if (!clean) common::ErrorBox("Error reading saved settings\n");
  lastLoad_ = clean ? LoadOutcome::kClean : LoadOutcome::kDamaged;
  keepDamagedCopy_ = !clean;
  return lastLoad_;
}

std::vector<std::uint8_t> SettingsFile::Serialize() {
  FileImage image;
  {
    auto lock = channels_.Acquire();
    for (auto& [key, node] : channels_)
      image.Chunk(kChanTag, BytesOf(node.record));
  }

  std::vector<std::uint8_t> opt;
  const std::uint32_t tunerCount = std::min<std::uint32_t>(manager_.tunerCount, kMaxTuners);
  for (int i = 0; i < 4; ++i)
    opt.push_back(static_cast<std::uint8_t>(tunerCount >> (8 * i)));
  for (std::uint32_t i = 0; i < tunerCount; ++i) {
    const TunerEntry& t = manager_.tuners[i];
    PutCountedString(opt, t.friendlyName);
    PutCountedString(opt, t.devicePath);
    const auto locator = BytesOf(t.locator);
    opt.insert(opt.end(), locator.begin(), locator.end());
  }
  PutCountedString(opt, manager_.videoDecoder);
  PutCountedString(opt, manager_.audioDecoder);
  const auto settings = BytesOf(manager_.settings);
  opt.insert(opt.end(), settings.begin(), settings.end());
  image.Chunk(kOptTag, opt);

  for (const recording::TimerRecord& timer : manager_.timers) {
    recording::TimerRecord stored = timer;
    stored.graphLink = 0;  // a run-time link means nothing in the file
    image.Chunk(kTimerTag, BytesOf(stored));
  }
  image.Chunk(kEndTag, {});
  return std::move(image.bytes());
}

bool SettingsFile::SaveSettingsFile() {
  if (keepDamagedCopy_) {
    std::filesystem::path damaged = path_;
    damaged += kDamagedSuffix;
    if (SUCCEEDED(io::CopyFileAtomically(path_, damaged))) keepDamagedCopy_ = false;
  }
  const std::vector<std::uint8_t> bytes = Serialize();
  const std::error_code error = io::WriteFileAtomic(path_, bytes);
  if (error) {
    const HRESULT hr = HRESULT_FROM_WIN32(com::Win32ErrorFromErrno(error.value()));
    std::printf("Saving settings failed: %s\n", com::ResultName(hr).c_str());
    saveError_ = "The settings could not be saved: \"" + path_.string() + "\" cannot be written (" +
                 error.message() + "). The settings saved before are kept.";
    return false;
  }
  saveError_.clear();
  return true;
}

bool SettingsFile::SaveAll() {
  if (currentChannel_) {
    if (const auto current = currentChannel_()) manager_.settings.currentChannel = *current;
  }
  return SaveSettingsFile();
}

}  // namespace app
