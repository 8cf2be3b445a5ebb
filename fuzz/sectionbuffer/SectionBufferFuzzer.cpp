// Feeds the section buffer's Receive with hostile samples: any bytes, any
// length, any PID and flag bits, with and without a matching CRC, while the
// tuning changes, the queue fills, drains and is flushed.
//
// Input: a series of records, each
//   control (1 byte): bit 0 append a CRC that makes the section pass,
//                     bit 1 take one section out afterwards, bit 2 flush,
//                     bits 3-7 the physical channel (0 = between channels)
//   flags (2 bytes): the sample's type-specific flags (the PID in 13 bits)
//   length (2 bytes) and that many bytes (cut at the end of the input)
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/ByteReader.h"
#include "common/Crc32.h"
#include "filters/sectionbuffer/PsiParserFilter.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/FilterGraph.h"
#include "tests/sectionbuffer/FakeNetworkProvider.h"
#include "tests/sectionbuffer/SectionSource.h"

namespace {

struct Rig {
  Rig() {
    graph = new CFilterGraph;
    provider = new filters::test::FakeNetworkProvider;
    buffer = new CPsiParserFilter;
    source = new filters::test::SectionSource;
    graph->AddFilter(provider.Get(), u"Tallowmark Network Provider");
    graph->AddFilter(buffer.Get(), u"Tallowmark Section Buffer");
    graph->AddFilter(source.Get(), u"Demux");
    graph->ConnectDirect(source->Output(), buffer->InputPin(), nullptr);
    buffer->Pause();
  }
  ComPtr<CFilterGraph> graph;
  ComPtr<filters::test::FakeNetworkProvider> provider;
  ComPtr<CPsiParserFilter> buffer;
  ComPtr<filters::test::SectionSource> source;
  filters::test::SampleMaker samples;
};

bool TakeOne(CPsiParserFilter* buffer) {
  BYTE* bytes = nullptr;
  LONG length = 0, type = 0, channel = 0, modulation = 0, program = 0, pid = 0;
  if (FAILED(
          buffer->GetNextSection(&bytes, &length, &type, &channel, &modulation, &program, &pid))) {
    return false;
  }
  // Touch every byte handed out: the sanitizer checks the copy's bounds.
  volatile std::uint8_t sum = 0;
  for (LONG i = 0; i < length; ++i)
    sum = static_cast<std::uint8_t>(sum + bytes[i]);
  CoTaskMemFree(bytes);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Rig rig;
  common::ByteReader reader(data, size);
  std::vector<std::uint8_t> section;
  while (reader.Remaining() >= 5) {
    const std::uint8_t control = reader.U8();
    const std::uint16_t flags = reader.U16();
    std::size_t length = reader.U16();
    if (length > reader.Remaining()) length = reader.Remaining();
    const auto body = reader.Bytes(length);
    if (!reader.Ok()) break;
    section.assign(body.begin(), body.end());
    if ((control & 0x01) != 0 && section.size() + 4 <= 8192) {
      const std::uint32_t crc = common::Crc32Mpeg2(section);
      for (int shift = 24; shift >= 0; shift -= 8)
        section.push_back(static_cast<std::uint8_t>(crc >> shift));
    }
    if (section.size() > 8192) section.resize(8192);
    rig.provider->SetTuning(control & 0x03, control >> 3, 0x08);
    ComPtr<IMediaSample> sample = rig.samples.Make(section, flags);
    rig.buffer->InputPin()->Receive(sample.Get());
    if ((control & 0x02) != 0) TakeOne(rig.buffer.Get());
    if ((control & 0x04) != 0) {
      rig.buffer->InputPin()->BeginFlush();
      rig.buffer->InputPin()->EndFlush();
    }
  }
  while (TakeOne(rig.buffer.Get())) {
  }
  return 0;
}
