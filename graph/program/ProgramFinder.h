// The programme finder: a programme's video, audio and PCR PIDs read from a
// transport stream's PAT and PMTs through the demultiplexer, as the program
// knows a channel's PIDs before it tunes, so a graph can map them from the
// start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>
#include <span>
#include <vector>

namespace graph {

// A transport stream read from its start in chunks.
class ChunkSource {
 public:
  virtual ~ChunkSource() = default;
  // The next chunk into `chunk`; false (and `chunk` empty) at the end.
  virtual bool Read(std::vector<std::uint8_t>& chunk) = 0;
  // Back to the first byte.
  virtual void Rewind() = 0;
};

class FileChunks final : public ChunkSource {
 public:
  explicit FileChunks(std::ifstream& in) : in_(in) {}
  bool Read(std::vector<std::uint8_t>& chunk) override;
  void Rewind() override;

 private:
  std::ifstream& in_;
};

class MemoryChunks final : public ChunkSource {
 public:
  explicit MemoryChunks(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Read(std::vector<std::uint8_t>& chunk) override;
  void Rewind() override { used_ = 0; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t used_ = 0;
};

struct VideoStream {
  unsigned programNumber = 0;
  std::uint16_t pid = 0;
  std::uint16_t streamType = 0;
  // The rest of the programme's PMT: its audio (-1 when none) and PCR PIDs.
  std::int32_t audioPid = -1;
  std::uint16_t audioStreamType = 0;
  std::int32_t pcrPid = -1;
};

enum class FindVideoResult {
  kFound,
  kProgramNotInPat,  // the PAT does not list the programme asked for
  kNotFound,         // no PMT with (MPEG-2) video before the end of the input
};

// Programme `program`'s video, or without a programme number the first
// programme whose PMT lists MPEG-2 video (stream type 0x02 or 0x80).
FindVideoResult FindVideoStream(ChunkSource& input, std::optional<unsigned> program,
                                VideoStream& out);

}  // namespace graph
