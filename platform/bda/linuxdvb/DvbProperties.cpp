#include "platform/bda/linuxdvb/DvbProperties.h"

namespace linuxdvb {
namespace {

using common::DemodulatorFamily;

dtv_property Property(std::uint32_t cmd, std::uint32_t value) {
  dtv_property p{};
  p.cmd = cmd;
  p.u.data = value;
  return p;
}

bool PictureCarrierForm(const bda::DeviceTune& tune) {
  return tune.bandwidthMHz == BDA_ULONG_NOT_SET &&
         (tune.family == DemodulatorFamily::kVsb || tune.family == DemodulatorFamily::kQam);
}

std::uint32_t QamModulation(ModulationType type) {
  if (type == BDA_MOD_64QAM) return QAM_64;
  if (type == BDA_MOD_256QAM) return QAM_256;
  return QAM_AUTO;
}

std::uint32_t CofdmModulation(ModulationType type) {
  if (type == BDA_MOD_QPSK) return QPSK;
  if (type == BDA_MOD_16QAM) return QAM_16;
  if (type == BDA_MOD_64QAM) return QAM_64;
  return QAM_AUTO;
}

}  // namespace

std::uint64_t CentreFrequency(const bda::DeviceTune& tune) {
  return PictureCarrierForm(tune) ? tune.frequencyHz + kPictureCarrierOffsetHz : tune.frequencyHz;
}

std::vector<dtv_property> TuneProperties(const bda::DeviceTune& tune) {
  std::vector<dtv_property> p;
  switch (tune.family) {
    case DemodulatorFamily::kVsb:
      p.push_back(Property(DTV_DELIVERY_SYSTEM, SYS_ATSC));
      p.push_back(Property(DTV_MODULATION, VSB_8));
      break;
    case DemodulatorFamily::kQam:
      p.push_back(Property(DTV_DELIVERY_SYSTEM, SYS_DVBC_ANNEX_B));
      p.push_back(Property(DTV_MODULATION, QamModulation(tune.modulation)));
      break;
    case DemodulatorFamily::kCofdm: {
      const std::uint32_t bandwidth =
          tune.bandwidthMHz == BDA_ULONG_NOT_SET ? 0 : tune.bandwidthMHz * 1'000'000;
      p.push_back(Property(DTV_DELIVERY_SYSTEM, SYS_DVBT));
      p.push_back(Property(DTV_BANDWIDTH_HZ, bandwidth));
      p.push_back(Property(DTV_MODULATION, CofdmModulation(tune.modulation)));
      p.push_back(Property(DTV_CODE_RATE_HP, FEC_AUTO));
      p.push_back(Property(DTV_CODE_RATE_LP, FEC_AUTO));
      p.push_back(Property(DTV_TRANSMISSION_MODE, TRANSMISSION_MODE_AUTO));
      p.push_back(Property(DTV_GUARD_INTERVAL, GUARD_INTERVAL_AUTO));
      p.push_back(Property(DTV_HIERARCHY, HIERARCHY_AUTO));
      break;
    }
    case DemodulatorFamily::kNone:
      return p;
  }
  p.push_back(Property(DTV_INVERSION, INVERSION_AUTO));
  p.push_back(Property(DTV_FREQUENCY, static_cast<std::uint32_t>(CentreFrequency(tune))));
  p.push_back(Property(DTV_TUNE, 0));
  return p;
}

}  // namespace linuxdvb
