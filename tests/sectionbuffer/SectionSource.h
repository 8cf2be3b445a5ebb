// The upstream end for the section buffer's tests: a filter with one output
// pin of the MPEG-2 sections type, and samples made by hand with a PID in
// their type-specific flags (as the demultiplexer's section pin sends them).
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "common/Crc32.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/MemAllocator.h"
#include "platform/media/OutputPin.h"

namespace sbtest {

inline constexpr CLSID CLSID_SectionSource = com::GuidOf("7D1C3B52-6E0F-4C52-9F4B-1B5C2A0D9E11");

class SectionSource : public CBaseFilter {
 public:
  SectionSource() : CBaseFilter("section source", &lock_, CLSID_SectionSource) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<Pin>(this, &lock_, &hr);
  }
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? pin_.get() : nullptr; }
  IPin* Output() { return pin_.get(); }

 private:
  class Pin : public CBaseOutputPin {
   public:
    Pin(CBaseFilter* f, CCritSec* lock, HRESULT* hr)
        : CBaseOutputPin("section out", f, lock, hr, u"Out") {}
    HRESULT CheckMediaType(const CMediaType* mt) override {
      return mt->majortype == MEDIATYPE_MPEG2_SECTIONS ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, CMediaType* mt) override {
      if (position < 0) return E_INVALIDARG;
      if (position > 0) return VFW_S_NO_MORE_ITEMS;
      *mt = CMediaType(MEDIATYPE_MPEG2_SECTIONS, MEDIASUBTYPE_None);
      return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* a, ALLOCATOR_PROPERTIES*) override {
      ALLOCATOR_PROPERTIES want, got;
      want.cBuffers = 2;
      want.cbBuffer = 4096;
      return a->SetProperties(&want, &got);
    }
  };

  CCritSec lock_;
  std::unique_ptr<Pin> pin_;
};

// Samples of up to 8192 bytes from a private allocator.
class SampleMaker {
 public:
  SampleMaker() : allocator_(new CMemAllocator) {
    ALLOCATOR_PROPERTIES want, got;
    want.cBuffers = 4;
    want.cbBuffer = 8192;
    allocator_->SetProperties(&want, &got);
    allocator_->Commit();
  }
  ~SampleMaker() { allocator_->Decommit(); }

  // A sample holding the bytes, with `flags` as its type-specific flags.
  ComPtr<IMediaSample> Make(std::span<const std::uint8_t> bytes, DWORD flags) {
    ComPtr<IMediaSample> sample;
    allocator_->GetBuffer(&sample, nullptr, nullptr, 0);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    sample->SetActualDataLength(static_cast<LONG>(bytes.size()));
    ComPtr<IMediaSample2> sample2;
    sample.As(&sample2);
    AM_SAMPLE2_PROPERTIES props;
    sample2->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props));
    props.dwTypeSpecificFlags = flags;
    sample2->SetProperties(sizeof props, reinterpret_cast<const BYTE*>(&props));
    return sample;
  }

 private:
  ComPtr<IMemAllocator> allocator_;
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

}  // namespace sbtest
