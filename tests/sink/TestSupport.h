// Helpers shared by the programme-stream file tests: a temporary folder,
// hand-built MPEG-2 video and AC-3 elementary streams, a file system that runs
// out of space, and an independent decoder of the pack layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "filters/sink/FileSystem.h"
#include "tests/support/TempFolder.h"

namespace filters::test {

// A scratch folder whose files are named in UTF-16, as the sink takes them.
class TempDir : public testsupport::TempFolder {
 public:
  TempDir() : TempFolder("psfile-test") {}
  std::u16string File(const std::string& name) const;
};

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path);
std::u16string U16(const std::filesystem::path& path);

// MPEG-2 video: a sequence header (frame_rate_code `rateCode`), then one
// picture per call with the given temporal reference and `size` bytes.
std::vector<std::uint8_t> SequenceHeader(unsigned rateCode);
std::vector<std::uint8_t> Picture(unsigned temporalReference, std::size_t size, std::uint8_t seed);

// An AC-3 syncframe (header plus filler) whose first five-eighths carry a
// valid CRC; fscod 0 (48 kHz).
std::vector<std::uint8_t> Ac3Frame(unsigned frmsizecod, std::uint8_t seed, unsigned fscod = 0);

// Wraps the real file system; writes fail once `budget` bytes have been
// written in total (counting list-file replacements), as on a full disk.
// Cutting written bytes off a file gives their space back.
class QuotaFileSystem final : public FileSystem {
 public:
  explicit QuotaFileSystem(std::uint64_t budget) : budget_(budget) {}
  void SetBudget(std::uint64_t budget) { budget_ = budget; }
  // A refused write leaves the space it did not fit in free for smaller ones
  // (by default it takes the rest: a disk that has just filled up).
  void KeepSpaceOnRefusal() { keepSpaceOnRefusal_ = true; }
  std::uint64_t Budget() const { return budget_; }

  std::unique_ptr<WriteFile> Create(const std::u16string& path) override;
  std::unique_ptr<ReadFile> Open(const std::u16string& path) override;
  bool Remove(const std::u16string& path) override;
  bool Replace(const std::u16string& path, std::span<const std::uint8_t> bytes) override;

  bool Take(std::size_t bytes);  // true when `bytes` fit in the budget
  void Give(std::uint64_t bytes) { budget_ += bytes; }

 private:
  std::uint64_t budget_;
  bool keepSpaceOnRefusal_ = false;
};

// One decoded 2048-byte pack.
struct DecodedPack {
  std::int64_t scr = -1;  // 27 MHz
  std::uint8_t streamId = 0;
  std::size_t pesLength = 0;
  std::uint8_t flags2 = 0;
  std::size_t headerDataLength = 0;
  std::optional<std::int64_t> pts, dts;  // 90 kHz
  std::size_t stuffing = 0;
  std::vector<std::uint8_t> substream;  // AC-3: 4 bytes, text: 1 byte
  std::vector<std::uint8_t> payload;
  std::size_t paddingLength = 0;  // length field of the padding packet, if any
  bool hasPadding = false;
};

// Decodes one data pack by the fixed layout; fails the current test on any
// deviation from it.
DecodedPack DecodeDataPack(std::span<const std::uint8_t> pack);

// All data packs of a closed file (after the file-start pack, before the end code).
std::vector<DecodedPack> DecodeFile(const std::vector<std::uint8_t>& file);

}  // namespace filters::test
