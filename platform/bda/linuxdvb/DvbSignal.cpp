#include "platform/bda/linuxdvb/DvbSignal.h"

#include <algorithm>

namespace linuxdvb {
namespace {

std::optional<dtv_stats> Statistic(DvbCalls& calls, int fd, std::uint32_t cmd) {
  dtv_property property{};
  property.cmd = cmd;
  dtv_properties properties{1, &property};
  if (calls.Ioctl(fd, FE_GET_PROPERTY, &properties) < 0) return std::nullopt;
  if (property.u.st.len == 0) return std::nullopt;
  return property.u.st.stat[0];
}

template <class T>
std::optional<std::uint64_t> OlderCall(DvbCalls& calls, int fd, unsigned long request) {
  T value = 0;
  if (calls.Ioctl(fd, request, &value) < 0) return std::nullopt;
  return value;
}

}  // namespace

LONG RelativePercent(std::uint64_t value) {
  return static_cast<LONG>(std::min<std::uint64_t>(value, 0xFFFF) * 100 / 0xFFFF);
}

std::optional<LONG> QualityPercent(const dtv_stats& cnr) {
  if (cnr.scale == FE_SCALE_DECIBEL) {
    const long long value = cnr.svalue;  // copied out of the packed record
    const long long milliDb = std::clamp<long long>(value, 0, kFullQualityCnrMilliDb);
    return static_cast<LONG>(milliDb * 100 / kFullQualityCnrMilliDb);
  }
  if (cnr.scale == FE_SCALE_RELATIVE) {
    const std::uint64_t value = cnr.uvalue;
    return RelativePercent(value);
  }
  return std::nullopt;
}

std::optional<LONG> StrengthMilliDb(const dtv_stats& strength) {
  if (strength.scale == FE_SCALE_DECIBEL) {
    const long long value = strength.svalue;
    return static_cast<LONG>(std::clamp<long long>(value, -1'000'000'000, 1'000'000'000));
  }
  if (strength.scale == FE_SCALE_RELATIVE) {
    const std::uint64_t value = strength.uvalue;
    return (RelativePercent(value) - 100) * 1000;
  }
  return std::nullopt;
}

bda::SignalState ReadSignal(DvbCalls& calls, int fd) {
  bda::SignalState state;
  state.strength = -100'000;
  fe_status_t status{};
  if (calls.Ioctl(fd, FE_READ_STATUS, &status) < 0) return state;
  state.locked = (status & FE_HAS_LOCK) != 0;
  state.present = (status & (FE_HAS_SIGNAL | FE_HAS_CARRIER)) != 0;

  std::optional<LONG> strength;
  if (auto s = Statistic(calls, fd, DTV_STAT_SIGNAL_STRENGTH)) strength = StrengthMilliDb(*s);
  if (!strength) {
    if (auto v = OlderCall<std::uint16_t>(calls, fd, FE_READ_SIGNAL_STRENGTH))
      strength = (RelativePercent(*v) - 100) * 1000;
  }
  if (strength) state.strength = *strength;

  if (!state.locked) return state;
  std::optional<LONG> quality;
  if (auto c = Statistic(calls, fd, DTV_STAT_CNR)) quality = QualityPercent(*c);
  if (!quality) {
    if (auto v = OlderCall<std::uint16_t>(calls, fd, FE_READ_SNR)) quality = RelativePercent(*v);
  }
  state.quality = quality.value_or(100);  // locked, and nothing measures it
  return state;
}

}  // namespace linuxdvb
