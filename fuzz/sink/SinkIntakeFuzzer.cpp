// Drives the programme-stream writer the way its three input pins would, with
// samples, times, discontinuities and file operations all read from the input:
// the per-pin intake, the AC-3 syncframe search, the packetiser and the chunk
// rollover run on whatever the upstream filters might hand over.
//
// Input: three header bytes (chunk duration, live chunks, first file name),
// then records of one operation byte followed by its fields:
//   op bits 0-1: pin (video, audio, text) or 3 for a file operation
//   op bit 2 timed, bit 3 discontinuity, bit 4 sync point, bit 5 clock stopped
//   sample:    int16 time step (x 1 ms), uint16 length, that many data bytes
//   operation: op bits 6-7 pick a list name, a recording name, Stop or a
//              pin release (the pin in the next byte) with end of stream.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/ByteReader.h"
#include "filters/sink/Mpeg2SinkCore.h"
#include "fuzz/support/MemoryFileSystem.h"

namespace {

constexpr std::int64_t kMillisecond = 10'000;  // 100 ns units

filters::PinType PinOf(unsigned bits) {
  return static_cast<filters::PinType>(bits % 3 + 1);
}

void FileOperation(filters::Mpeg2SinkCore& sink, unsigned op, common::ByteReader& r,
                   const filters::FilterClock& clock) {
  switch (op >> 6) {
    case 0:
      sink.SetFileName(u"/rec/buffer.lst", clock);
      break;
    case 1:
      sink.SetFileName(u"/rec/programme.mpg", clock);
      break;
    case 2:
      sink.Stop();
      break;
    default:
      sink.ReleasePin(PinOf(r.U8()));
      if (sink.EndOfStream()) sink.ResetEndOfStream();
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  common::ByteReader r(data, size);
  fuzzing::MemoryFileSystem fs;
  filters::Mpeg2SinkCore sink(fs);
  sink.SetChunkDuration((std::int64_t{r.U8()} + 1) * 1000 * kMillisecond);
  sink.SetLiveChunks(1 + r.U8() % 8);
  filters::FilterClock clock{true, 0};
  FileOperation(sink, r.U8() & 0x40, r, clock);

  std::int64_t time = 0;
  while (r.Ok() && !r.AtEnd()) {
    const unsigned op = r.U8();
    clock.running = (op & 0x20) == 0;
    if ((op & 3) == 3) {
      FileOperation(sink, op, r, clock);
      continue;
    }
    const auto step = static_cast<std::int16_t>(r.Le16());
    const std::size_t length = std::min<std::size_t>(r.Le16(), r.Remaining());
    const auto bytes = r.Bytes(length);
    if (!r.Ok()) break;
    time += step * kMillisecond;
    clock.streamTime = time;

    filters::InputSample sample;
    sample.data = bytes;
    sample.timed = (op & 0x04) != 0;
    sample.start = time;
    sample.stop = time + 33 * kMillisecond;
    sample.discontinuity = (op & 0x08) != 0;
    sample.syncPoint = (op & 0x10) != 0;
    sink.Receive(PinOf(op & 3), sample, clock);
  }
  sink.Stop();

  // Every pack written must be whole: the writer cuts a failed pack back out.
  for (const auto& [name, bytes] : fs.files) {
    if (name.ends_with(u".mpg") && bytes.size() % 2048 != 0 && bytes.size() % 2048 != 4) {
      __builtin_trap();
    }
  }
  return 0;
}
