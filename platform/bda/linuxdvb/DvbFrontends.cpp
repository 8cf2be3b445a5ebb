#include "platform/bda/linuxdvb/DvbFrontends.h"

#include <fcntl.h>
#include <sys/ioctl.h>  // before the DVB headers, which use its macros

#include <linux/dvb/frontend.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "platform/bda/linuxdvb/KernelError.h"

namespace linuxdvb {
namespace {

using common::DemodulatorFamily;

// The number after `prefix` in a name such as "adapter3"; none for other names.
std::optional<int> Numbered(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
    return std::nullopt;
  int n = 0;
  for (std::size_t i = prefix.size(); i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

std::vector<int> NumberedEntries(DvbCalls& calls, const std::string& folder,
                                 const std::string& prefix) {
  std::vector<int> numbers;
  for (const std::string& name : calls.List(folder)) {
    if (auto n = Numbered(name, prefix)) numbers.push_back(*n);
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

void Add(std::vector<DemodulatorFamily>& families, DemodulatorFamily family) {
  if (std::find(families.begin(), families.end(), family) == families.end())
    families.push_back(family);
}

void SortFamilies(std::vector<DemodulatorFamily>& families) {
  std::sort(families.begin(), families.end());  // kVsb, kQam, kCofdm
}

// Drivers without DTV_ENUM_DELSYS: the frontend type and its capabilities.
std::vector<DemodulatorFamily> FamiliesOfInfo(const dvb_frontend_info& info) {
  std::vector<DemodulatorFamily> families;
  if (info.type == FE_ATSC) {
    if (info.caps & FE_CAN_8VSB) Add(families, DemodulatorFamily::kVsb);
    if (info.caps & (FE_CAN_QAM_64 | FE_CAN_QAM_256 | FE_CAN_QAM_AUTO))
      Add(families, DemodulatorFamily::kQam);
  } else if (info.type == FE_OFDM) {
    Add(families, DemodulatorFamily::kCofdm);
  }
  return families;
}

std::vector<std::uint32_t> DeliverySystems(DvbCalls& calls, int fd) {
  dtv_property property{};
  property.cmd = DTV_ENUM_DELSYS;
  dtv_properties properties{1, &property};
  std::vector<std::uint32_t> systems;
  if (calls.Ioctl(fd, FE_GET_PROPERTY, &properties) < 0) return systems;
  const std::uint32_t length = std::min<std::uint32_t>(property.u.buffer.len, 32);
  for (std::uint32_t i = 0; i < length; ++i)
    systems.push_back(property.u.buffer.data[i]);
  return systems;
}

std::string Path(const std::string& adapter, const char* kind, int number) {
  return adapter + "/" + kind + std::to_string(number);
}

}  // namespace

std::vector<DemodulatorFamily> FamiliesOfDeliverySystems(
    const std::vector<std::uint32_t>& systems) {
  std::vector<DemodulatorFamily> families;
  for (std::uint32_t system : systems) {
    if (system == SYS_ATSC) Add(families, DemodulatorFamily::kVsb);
    if (system == SYS_DVBC_ANNEX_B) Add(families, DemodulatorFamily::kQam);
    if (system == SYS_DVBT || system == SYS_DVBT2) Add(families, DemodulatorFamily::kCofdm);
  }
  SortFamilies(families);
  return families;
}

std::vector<DvbFrontend> EnumerateFrontends(DvbCalls& calls) {
  std::vector<DvbFrontend> frontends;
  for (int adapter : NumberedEntries(calls, kDvbFolder, "adapter")) {
    const std::string folder = std::string(kDvbFolder) + "/adapter" + std::to_string(adapter);
    const std::vector<int> demuxes = NumberedEntries(calls, folder, "demux");
    const std::vector<int> dvrs = NumberedEntries(calls, folder, "dvr");
    for (int number : NumberedEntries(calls, folder, "frontend")) {
      DvbFrontend f;
      f.adapter = adapter;
      f.frontend = number;
      f.frontendPath = Path(folder, "frontend", number);
      // Frontend M streams through demux M and dvr M; a card with one demux
      // for several frontends has only demux 0.
      auto pick = [number](const std::vector<int>& list) {
        return std::find(list.begin(), list.end(), number) != list.end() ? number : 0;
      };
      f.demuxPath = Path(folder, "demux", pick(demuxes));
      f.dvrPath = Path(folder, "dvr", pick(dvrs));
      // Read-only: asking is allowed while another program tunes it.
      DvbFd fd(&calls, calls.Open(f.frontendPath, O_RDONLY | O_NONBLOCK));
      if (!fd.Valid()) {
        TraceKernelError("open", f.frontendPath, fd.Release());
        continue;
      }
      dvb_frontend_info info{};
      const int got = calls.Ioctl(fd.Get(), FE_GET_INFO, &info);
      if (got < 0) {
        TraceKernelError("FE_GET_INFO", f.frontendPath, got);
        continue;
      }
      f.name.assign(info.name, strnlen(info.name, sizeof info.name));
      const std::vector<std::uint32_t> systems = DeliverySystems(calls, fd.Get());
      f.families = systems.empty() ? FamiliesOfInfo(info) : FamiliesOfDeliverySystems(systems);
      if (f.families.empty()) continue;
      if (f.name.empty()) f.name = "DVB adapter " + std::to_string(adapter);
      frontends.push_back(std::move(f));
    }
  }
  std::map<std::string, int> seen;
  for (DvbFrontend& f : frontends) {
    const int n = ++seen[f.name];
    if (n > 1) f.name += " #" + std::to_string(n);
  }
  return frontends;
}

}  // namespace linuxdvb
