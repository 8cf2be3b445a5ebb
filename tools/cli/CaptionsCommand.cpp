// "captions FILE [--program N]": the closed captions of a video file, one
// line per caption unit: start time in seconds, the byte pairs in hex and
// the CEA-608 text they carry.
//
// The video goes through the caption extractor exactly as the caption
// filter feeds it: sample by sample, each sample's start time (when it has
// one) set before its bytes are pushed, a reset at a sample marked as a
// discontinuity, and nothing drained at the end. The samples are those the
// program's graph would deliver:
//   - transport stream: the demultiplexer's elementary-stream units (one
//     PES each, timed from PTS on the PCR timeline) of programme N's video,
//     or of the first programme whose PMT lists MPEG-2 video;
//   - programme stream of the recorder's format: the video payload of each
//     pack with its PTS, as the programme-stream reader hands it out;
//   - MPEG-2 video elementary stream: one picture per sample, timed from
//     the frame rate and temporal references (see EsPictureSamples.h).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "capsift/CaptionFeeder.h"
#include "capsift/dll/Cea608Text.h"
#include "capsift/dll/EsPictureSamples.h"
#include "common/ByteReader.h"
#include "common/TsConstants.h"
#include "common/Utf16.h"
#include "filters/source/Mpeg2SourceCore.h"
#include "graph/program/ProgramFinder.h"
#include "graph/program/ProgramVideo.h"
#include "tools/cli/CliCommand.h"

namespace cli {

namespace {

class CaptionPrinter final : public capsift::ICaptionSink {
 public:
  void EmitCaptionUnit(std::span<const std::uint8_t> bytes, std::int64_t startTime) override {
    const std::string text = text_.Decode(bytes);
    std::printf("%12.3f  %s  %s\n", static_cast<double>(startTime) / 1e7,
                capsift::FormatPairs(bytes).c_str(), text.c_str());
    ++units_;
  }
  std::uint64_t Units() const { return units_; }

 private:
  capsift::Cea608Text text_;
  std::uint64_t units_ = 0;
};

enum class InputKind { kElementary, kTransport, kProgram };

InputKind Detect(std::span<const std::uint8_t> head) {
  common::ByteReader r(head);
  const std::uint32_t first = r.U32();
  if (r.Ok() && first == 0x000001BA) return InputKind::kProgram;
  constexpr std::size_t kPacket = common::kPacketSize;
  if (head.size() >= 2 * kPacket + 1 && head[0] == common::kSyncByte &&
      head[kPacket] == common::kSyncByte && head[2 * kPacket] == common::kSyncByte) {
    return InputKind::kTransport;
  }
  return InputKind::kElementary;
}

int RunElementary(std::ifstream& in, capsift::CaptionFeeder& feeder) {
  capsift::EsPictureSamples splitter;
  graph::FileChunks input(in);
  std::vector<std::uint8_t> chunk;
  std::vector<capsift::EsSample> samples;
  while (input.Read(chunk)) {
    splitter.Push(chunk, samples);
    for (const auto& s : samples)
      feeder.Sample(s.bytes, s.startTime, false);
    samples.clear();
  }
  splitter.Finish(samples);
  for (const auto& s : samples)
    feeder.Sample(s.bytes, s.startTime, false);
  return 0;
}

int RunTransport(std::ifstream& in, std::optional<unsigned> program,
                 capsift::CaptionFeeder& feeder) {
  graph::FileChunks input(in);
  graph::VideoStream video;
  switch (graph::FindVideoStream(input, program, video)) {
    case graph::FindVideoResult::kFound:
      break;
    case graph::FindVideoResult::kProgramNotInPat:
      std::fprintf(stderr, "Programme %u is not in the PAT\n", *program);
      [[fallthrough]];
    case graph::FindVideoResult::kNotFound:
      if (program) {
        std::fprintf(stderr, "No video found for programme %u\n", *program);
      } else {
        std::fprintf(stderr, "No programme with MPEG-2 video found\n");
      }
      return 1;
  }
  std::printf("Programme %u, video PID 0x%04X (stream type 0x%02X)\n", video.programNumber,
              static_cast<unsigned>(video.pid), video.streamType);
  graph::ReadProgramVideo(
      input, video.pid,
      [&feeder](std::span<const std::uint8_t> bytes, std::optional<std::int64_t> time,
                bool discontinuity) { feeder.Sample(bytes, time, discontinuity); });
  return 0;
}

int RunProgram(const std::string& path, capsift::CaptionFeeder& feeder) {
  filters::Mpeg2SourceCore source;
  const std::u16string widePath = common::FromUtf8(path);
  if (FAILED(source.Load(widePath.c_str()))) {
    std::fprintf(stderr, "Cannot read %s as a recording\n", path.c_str());
    return 1;
  }
  filters::SourceRead read;
  while (source.ReadNext(read) == filters::ReadStatus::kData) {
    for (const auto& payload : read.payloads) {
      if (payload.stream != filters::PinType::kVideo) continue;
      std::optional<std::int64_t> time;
      if (payload.hasPts) time = payload.pts100;
      feeder.Sample(payload.bytes, time, false);
    }
  }
  return 0;
}

int Captions(Args args) {
  std::string path;
  std::optional<unsigned> program;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--program") {
      if (i + 1 == args.size()) {
        std::fprintf(stderr, "--program needs a programme number\n");
        return 2;
      }
      char* end = nullptr;
      const unsigned long n = std::strtoul(args[i + 1].c_str(), &end, 0);
      if (end == args[i + 1].c_str() || *end != '\0' || n > 0xFFFF) {
        std::fprintf(stderr, "Bad programme number: %s\n", args[i + 1].c_str());
        return 2;
      }
      program = static_cast<unsigned>(n);
      ++i;
    } else if (path.empty()) {
      path = args[i];
    } else {
      std::fprintf(stderr, "Unexpected argument: %s\n", args[i].c_str());
      return 2;
    }
  }
  if (path.empty()) {
    std::fprintf(stderr, "usage: captions FILE [--program N]\n");
    return 2;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "Cannot open %s\n", path.c_str());
    return 1;
  }
  std::vector<std::uint8_t> head(3 * common::kPacketSize);
  in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  in.clear();
  in.seekg(0);

  CaptionPrinter printer;
  capsift::CaptionFeeder feeder(&printer);
  int result = 0;
  switch (Detect(head)) {
    case InputKind::kTransport:
      result = RunTransport(in, program, feeder);
      break;
    case InputKind::kProgram:
      in.close();
      result = RunProgram(path, feeder);
      break;
    case InputKind::kElementary:
      result = RunElementary(in, feeder);
      break;
  }
  if (result == 0) {
    std::printf("%llu caption units\n", static_cast<unsigned long long>(printer.Units()));
  }
  return result;
}

const CommandRegistration kCaptions(
    {"captions", "FILE [--program N]",
     "closed captions of MPEG-2 video (elementary, transport or programme stream)", Captions});

}  // namespace
}  // namespace cli
