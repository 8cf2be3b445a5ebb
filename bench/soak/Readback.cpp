#include "bench/soak/Readback.h"

#include "common/Utf16.h"
#include "filters/source/Mpeg2SourceCore.h"
#include "tests/support/ExternalTool.h"

namespace soak {

Readback ReadBack(const std::filesystem::path& file, bool ffprobe) {
  Readback r;
  std::error_code ec;
  r.bytes = std::filesystem::file_size(file, ec);
  if (ec) return r;
  filters::Mpeg2SourceCore source;
  if (source.Load(common::FromUtf8(file.string()).c_str()) != S_OK) return r;
  filters::SourceRead read;
  bool ended = false;
  // A whole file ends; a reader that waits for more data has not.
  for (int waits = 0; waits < 2;) {
    const filters::ReadStatus status = source.ReadNext(read);
    if (status == filters::ReadStatus::kEndOfStream) {
      ended = true;
      break;
    }
    if (status == filters::ReadStatus::kNoDataYet) {
      ++waits;
      continue;
    }
    ++r.packs;
    for (const filters::SourcePayload& p : read.payloads) {
      if (p.stream == filters::PinType::kVideo) ++r.videoPayloads;
      if (p.stream == filters::PinType::kAudio) ++r.audioPayloads;
    }
  }
  r.ok = ended && r.videoPayloads > 0;
  if (ffprobe) {
    r.probed = true;
    const auto probe =
        testsupport::RunTool("ffprobe -v error -show_entries format=duration -of csv=p=0 " +
                             testsupport::ShellQuote(file.string()) + " 2>&1");
    // Nothing but the duration: ffprobe found no error.
    r.probeOk = probe.status == 0 && probe.output.find('\n') == probe.output.size() - 1;
  }
  return r;
}

}  // namespace soak
