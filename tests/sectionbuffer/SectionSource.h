// The upstream end for the section buffer's tests: a filter with one output
// pin of the MPEG-2 sections type, and samples made by hand with a PID in
// their type-specific flags (as the demultiplexer's section pin sends them).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/Crc32.h"
#include "platform/media/MediaGuids.h"
#include "tests/support/PushSource.h"

namespace filters::test {

inline constexpr CLSID CLSID_SectionSource = com::GuidOf("7D1C3B52-6E0F-4C52-9F4B-1B5C2A0D9E11");

class SectionSource : public testsupport::CPushSource {
 public:
  SectionSource()
      : CPushSource({CMediaType(MEDIATYPE_MPEG2_SECTIONS, MEDIASUBTYPE_None)},
                    {.bufferSize = 4096, .buffers = 2, .clsid = CLSID_SectionSource}) {}
};

// Samples of up to 8192 bytes from a private allocator, with the PID in
// their type-specific flags.
struct SampleMaker : testsupport::SampleMaker {
  SampleMaker() : testsupport::SampleMaker(8192) {}
  ComPtr<IMediaSample> Make(std::span<const std::uint8_t> bytes, DWORD flags) {
    return MakeWithFlags(bytes, flags);
  }
};

// A long-form section: table_id, section_length, the body, and a CRC-32 that
// makes the CRC over the whole section come out as 0.
inline std::vector<std::uint8_t> MakeSection(std::uint8_t tableId,
                                             std::span<const std::uint8_t> body) {
  std::vector<std::uint8_t> s;
  const std::size_t sectionLength = body.size() + 4;
  s.push_back(tableId);
  s.push_back(static_cast<std::uint8_t>(0xB0 | ((sectionLength >> 8) & 0x0F)));
  s.push_back(static_cast<std::uint8_t>(sectionLength & 0xFF));
  s.insert(s.end(), body.begin(), body.end());
  const std::uint32_t crc = common::Crc32Mpeg2(s);
  for (int shift = 24; shift >= 0; shift -= 8)
    s.push_back(static_cast<std::uint8_t>(crc >> shift));
  return s;
}

}  // namespace filters::test
