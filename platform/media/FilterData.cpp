#include "platform/media/FilterData.h"

namespace media {
namespace {

void Put32(std::vector<BYTE>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

void PutGuid(std::vector<BYTE>& out, const GUID& g) {
  BYTE bytes[16];
  com::GuidToBytes(g, bytes);
  out.insert(out.end(), bytes, bytes + 16);
}

// A bounds-checked reader: a read past the end sets the error and gives 0.
class Reader {
 public:
  explicit Reader(std::span<const BYTE> data) : data_(data) {}
  std::uint32_t U32() {
    if (data_.size() - pos_ < 4 || pos_ > data_.size()) {
      failed_ = true;
      return 0;
    }
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= static_cast<std::uint32_t>(data_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return v;
  }
  GUID Guid() {
    if (data_.size() - pos_ < 16 || pos_ > data_.size()) {
      failed_ = true;
      return GUID_NULL;
    }
    const GUID g = com::GuidFromBytes(data_.data() + pos_);
    pos_ += 16;
    return g;
  }
  std::size_t Left() const { return data_.size() - pos_; }
  bool Failed() const { return failed_; }

 private:
  std::span<const BYTE> data_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

}  // namespace

RegisteredFilter FromRegFilter2(const REGFILTER2& filter) {
  RegisteredFilter out;
  out.merit = filter.dwMerit;
  for (ULONG i = 0; i < filter.cPins && filter.rgPins != nullptr; ++i) {
    const REGFILTERPINS& p = filter.rgPins[i];
    RegisteredPin pin;
    pin.rendered = p.bRendered;
    pin.output = p.bOutput;
    pin.zero = p.bZero;
    pin.many = p.bMany;
    for (UINT t = 0; t < p.nMediaTypes && p.lpMediaType != nullptr; ++t) {
      const REGPINTYPES& type = p.lpMediaType[t];
      pin.types.emplace_back(type.clsMajorType ? *type.clsMajorType : GUID_NULL,
                             type.clsMinorType ? *type.clsMinorType : GUID_NULL);
    }
    out.pins.push_back(std::move(pin));
  }
  return out;
}

std::vector<BYTE> EncodeFilterData(const REGFILTER2& filter) {
  return EncodeFilterData(FromRegFilter2(filter));
}

std::vector<BYTE> EncodeFilterData(const RegisteredFilter& filter) {
  std::vector<BYTE> out;
  Put32(out, 2);
  Put32(out, filter.merit);
  Put32(out, static_cast<std::uint32_t>(filter.pins.size()));
  Put32(out, 0);
  for (const RegisteredPin& pin : filter.pins) {
    Put32(out, (pin.rendered ? 1u : 0u) | (pin.output ? 2u : 0u) | (pin.zero ? 4u : 0u) |
                   (pin.many ? 8u : 0u));
    Put32(out, static_cast<std::uint32_t>(pin.types.size()));
    for (const auto& [major, minor] : pin.types) {
      PutGuid(out, major);
      PutGuid(out, minor);
    }
  }
  return out;
}

std::optional<RegisteredFilter> DecodeFilterData(std::span<const BYTE> data) {
  Reader r(data);
  if (r.U32() != 2) return std::nullopt;
  RegisteredFilter filter;
  filter.merit = r.U32();
  const std::uint32_t pins = r.U32();
  r.U32();
  if (r.Failed() || pins > r.Left() / 8) return std::nullopt;
  for (std::uint32_t i = 0; i < pins; ++i) {
    RegisteredPin pin;
    const std::uint32_t flags = r.U32();
    pin.rendered = flags & 1;
    pin.output = flags & 2;
    pin.zero = flags & 4;
    pin.many = flags & 8;
    const std::uint32_t types = r.U32();
    if (r.Failed() || types > r.Left() / 32) return std::nullopt;
    for (std::uint32_t t = 0; t < types; ++t) {
      const GUID major = r.Guid();
      const GUID minor = r.Guid();
      pin.types.emplace_back(major, minor);
    }
    filter.pins.push_back(std::move(pin));
  }
  if (r.Failed()) return std::nullopt;
  return filter;
}

}  // namespace media
