// Reads one recording file pack by pack: its first and last times, seeking
// by time over the packs, and the elementary-stream payloads of each pack
// with times extended across the 33-bit wrap. The file may still be growing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "filters/sink/FileSystem.h"
#include "filters/source/PackParser.h"

namespace filters {

class FileReader {
 public:
  // Opens the file (it must exist); a file that cannot be opened gives a
  // reader without a handle, whose reads find no data.
  FileReader(FileSystem& fs, std::u16string path);

  bool IsOpen() const { return file_ != nullptr; }
  const std::u16string& Path() const { return path_; }

  // Measures the first pack's and the last whole pack's SCR (27 MHz). Both
  // stay -1 while the file is shorter than one pack. `reference` (or -1)
  // places the first time across a 33-bit wrap; the last time follows it.
  void Measure(std::int64_t reference);
  std::int64_t FirstTime() const { return firstTime_; }
  std::int64_t LastTime() const { return lastTime_; }

  std::uint64_t PackCount();
  std::uint64_t Position() const { return position_; }

  // Positions at the first pack whose SCR is at least `time27`; files of
  // fewer than 11 packs are always read from their start.
  void SeekToTime(std::int64_t time27);
  void SeekToPack(std::uint64_t index);

  // Reads and parses the next whole pack; false when the file holds no
  // further whole pack (yet). Times in `pack` are left as read; `scr27` and
  // the payloads' PTS come back extended through ExtendedPts.
  bool ReadPack(ParsedPack& pack, std::int64_t& scr27);
  std::int64_t ExtendedPts(const EsPayload& payload) const;

 private:
  bool LoadBlock(std::uint64_t index);
  std::int64_t ProbeScr(std::uint64_t index);  // extended; -1 when unreadable

  FileSystem& fs_;
  std::u16string path_;
  std::unique_ptr<ReadFile> file_;
  std::int64_t firstTime_ = -1;
  std::int64_t lastTime_ = -1;
  std::int64_t reference_ = -1;      // latest extended SCR read
  std::uint64_t position_ = 0;       // next pack index
  std::vector<std::uint8_t> block_;  // whole packs read ahead
  std::uint64_t blockStart_ = 0;
  std::uint64_t blockPacks_ = 0;
  ParsedPack probe_;
};

}  // namespace filters
