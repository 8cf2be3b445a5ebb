// The "FilterData" value of a registered filter: its merit and pins with media
// types, as a byte record (little-endian):
//   u32 version (2), u32 merit, u32 pin count, u32 reserved (0), then per pin
//   u32 flags (1 rendered, 2 output, 4 zero, 8 many), u32 type count, and per
//   type the 16-byte major and minor type.
// The merit sits at byte 4, where readers of the platform's record find it.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "platform/media/DeviceInterfaces.h"

namespace media {

struct RegisteredPin {
  bool rendered = false, output = false, zero = false, many = false;
  std::vector<std::pair<GUID, GUID>> types;  // major, minor
};

struct RegisteredFilter {
  DWORD merit = MERIT_DO_NOT_USE;
  std::vector<RegisteredPin> pins;
};

std::vector<BYTE> EncodeFilterData(const REGFILTER2& filter);
std::vector<BYTE> EncodeFilterData(const RegisteredFilter& filter);
// Nothing when the record is short, of another version or inconsistent.
std::optional<RegisteredFilter> DecodeFilterData(std::span<const BYTE> data);
RegisteredFilter FromRegFilter2(const REGFILTER2& filter);

}  // namespace media
