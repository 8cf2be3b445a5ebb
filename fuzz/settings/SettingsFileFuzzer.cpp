// Loads "Settings v2.bin" images made from the input through the program's own
// loader: the chunk reader, the options record with its counted strings, the
// timers and the channels. A file that loaded must save to an image that loads
// cleanly and saves to the same bytes again.
//
// The first input byte picks the form. Odd: the rest is the file as it stands
// (so the framing, lengths and CRCs are tried too). Even: the rest is a list of
// chunks, each a tag byte (CHAN, OPT, TIM, END, another) and a 16-bit length
// ahead of its payload, framed here with a correct CRC so that the payload
// parsers are reached.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "app/SettingsFile.h"
#include "common/ByteReader.h"
#include "common/Crc32.h"
#include "common/ErrorBox.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Le32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Chunk(Bytes& out, const std::array<char, 4>& tag, std::span<const std::uint8_t> payload) {
  const std::size_t start = out.size();
  out.insert(out.end(), tag.begin(), tag.end());
  Le32(out, app::kChunkMagic);
  Le32(out, static_cast<std::uint32_t>(payload.size()));
  Le32(out, 0);
  out.insert(out.end(), payload.begin(), payload.end());
  Le32(out, common::Crc32Mpeg2(std::span(out).subspan(start)));
}

Bytes FramedChunks(common::ByteReader r) {
  static constexpr std::array<std::array<char, 4>, 5> kTags = {{{'C', 'H', 'A', 'N'},
                                                                {'O', 'P', 'T', '\0'},
                                                                {'T', 'I', 'M', ' '},
                                                                {'E', 'N', 'D', ' '},
                                                                {'X', 'T', 'R', 'A'}}};
  Bytes file;
  while (r.Ok() && !r.AtEnd()) {
    const std::uint8_t tag = r.U8();
    const std::size_t length = r.Le16();
    const auto payload = r.Bytes(std::min(length, r.Remaining()));
    if (!r.Ok()) break;
    Chunk(file, kTags[tag % kTags.size()], payload);
  }
  return file;
}

// The objects a load fills, made once (the manager alone is a third of a
// megabyte) and put back to their defaults before each load.
struct Program {
  app::TunerManager manager;
  tuning::ChannelList channels;
  app::SettingsFile file{app::kSettingsFileName, manager, channels};

  app::SettingsFile& Fresh() {
    manager = app::TunerManager();
    channels.Clear();
    return file;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const common::ErrorSink quiet = common::SetErrorSink([](auto&, auto&) {});
  static auto* program = new Program;
  const std::span<const std::uint8_t> rest(data + 1, size - 1);
  const Bytes file =
      (data[0] & 1) ? Bytes(rest.begin(), rest.end()) : FramedChunks(common::ByteReader(rest));

  program->Fresh().Load(file);
  const Bytes saved = program->file.Serialize();

  if (program->Fresh().Load(saved) != app::LoadOutcome::kClean) __builtin_trap();
  if (program->file.Serialize() != saved) __builtin_trap();
  return 0;
}
