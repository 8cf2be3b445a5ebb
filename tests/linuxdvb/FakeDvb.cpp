#include "tests/linuxdvb/FakeDvb.h"

#include <fcntl.h>
#include <poll.h>

#include <linux/dvb/dmx.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace linuxdvb::test {

void FakeDvb::AddAdapter(int adapter, FakeFrontend frontend) {
  std::lock_guard lock(mutex_);
  Adapter a;
  a.frontend = std::move(frontend);
  adapters_[adapter] = std::move(a);
}

void FakeDvb::RemoveAdapter(int adapter) {
  std::lock_guard lock(mutex_);
  adapters_.erase(adapter);
}

void FakeDvb::Unplug(int adapter) {
  std::lock_guard lock(mutex_);
  adapters_.at(adapter).unplugged = true;
}

void FakeDvb::SetStatus(int adapter, fe_status_t status) {
  std::lock_guard lock(mutex_);
  adapters_.at(adapter).frontend.status = status;
}

void FakeDvb::Feed(int adapter, const std::vector<std::uint8_t>& bytes) {
  std::lock_guard lock(mutex_);
  auto& dvr = adapters_.at(adapter).dvr;
  dvr.insert(dvr.end(), bytes.begin(), bytes.end());
}

void FakeDvb::Overflow(int adapter) {
  std::lock_guard lock(mutex_);
  Adapter& a = adapters_.at(adapter);
  a.dvr.clear();
  a.overflow = true;
}

std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>> FakeDvb::SetPropertyCalls(
    int adapter) {
  std::lock_guard lock(mutex_);
  return adapters_.at(adapter).setCalls;
}

std::multiset<unsigned> FakeDvb::DemuxPids(int adapter) {
  std::lock_guard lock(mutex_);
  std::multiset<unsigned> pids;
  for (const auto& [fd, o] : open_) {
    if (o.adapter == adapter && o.kind == "demux" && o.pid) pids.insert(*o.pid);
  }
  return pids;
}

unsigned long FakeDvb::DvrBufferSize(int adapter) {
  std::lock_guard lock(mutex_);
  return adapters_.at(adapter).dvrBuffer;
}

int FakeDvb::Open(const std::string& path, int flags) {
  std::lock_guard lock(mutex_);
  int adapter = -1;
  char kind[16] = {};
  int number = -1;
  if (std::sscanf(path.c_str(), "/dev/dvb/adapter%d/%15[a-z]%d", &adapter, kind, &number) != 3)
    return -ENOENT;
  auto it = adapters_.find(adapter);
  if (it == adapters_.end() || number != 0) return -ENOENT;
  if (it->second.unplugged) return -ENODEV;
  Handle o;
  o.adapter = adapter;
  o.kind = kind;
  o.writable = (flags & O_ACCMODE) != O_RDONLY;
  if (o.kind != "frontend" && o.kind != "demux" && o.kind != "dvr") return -ENOENT;
  const int fd = nextFd_++;
  open_[fd] = o;
  return fd;
}

int FakeDvb::FrontendIoctl(Adapter& a, const Handle& o, unsigned long request, void* argument) {
  const FakeFrontend& f = a.frontend;
  if (request == FE_GET_INFO) {
    auto* info = static_cast<dvb_frontend_info*>(argument);
    *info = {};
    std::strncpy(info->name, f.name.c_str(), sizeof info->name - 1);
    info->type = f.type;
    info->caps = static_cast<fe_caps>(f.caps);
    return 0;
  }
  if (request == FE_GET_PROPERTY) {
    auto* list = static_cast<dtv_properties*>(argument);
    for (std::uint32_t i = 0; i < list->num; ++i) {
      dtv_property& p = list->props[i];
      if (p.cmd == DTV_ENUM_DELSYS) {
        if (f.systems.empty()) return -EINVAL;
        p.u.buffer.len = static_cast<__u32>(f.systems.size());
        for (std::size_t s = 0; s < f.systems.size(); ++s)
          p.u.buffer.data[s] = static_cast<__u8>(f.systems[s]);
      } else if (p.cmd == DTV_STAT_SIGNAL_STRENGTH || p.cmd == DTV_STAT_CNR) {
        const auto& value = p.cmd == DTV_STAT_CNR ? f.cnr : f.strength;
        p.u.st.len = 1;
        p.u.st.stat[0] = value.value_or(dtv_stats{});  // scale 0: not available
      } else {
        return -EINVAL;
      }
    }
    return 0;
  }
  if (request == FE_SET_PROPERTY) {
    if (!o.writable) return -EPERM;
    auto* list = static_cast<dtv_properties*>(argument);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> call;
    for (std::uint32_t i = 0; i < list->num; ++i) {
      const std::uint32_t cmd = list->props[i].cmd, value = list->props[i].u.data;
      call.emplace_back(cmd, value);
    }
    a.setCalls.push_back(std::move(call));
    return 0;
  }
  if (request == FE_READ_STATUS) {
    *static_cast<fe_status_t*>(argument) = f.status;
    return 0;
  }
  if (request == FE_READ_SIGNAL_STRENGTH || request == FE_READ_SNR) {
    const auto& value = request == FE_READ_SNR ? f.oldSnr : f.oldStrength;
    if (!value) return -ENOTTY;
    *static_cast<std::uint16_t*>(argument) = *value;
    return 0;
  }
  return -ENOTTY;
}

int FakeDvb::Ioctl(int fd, unsigned long request, void* argument) {
  std::lock_guard lock(mutex_);
  auto it = open_.find(fd);
  if (it == open_.end()) return -EBADF;
  Handle& o = it->second;
  auto a = adapters_.find(o.adapter);
  if (a == adapters_.end() || a->second.unplugged) return -ENODEV;
  if (o.kind == "frontend") return FrontendIoctl(a->second, o, request, argument);
  if (o.kind == "demux" && request == DMX_SET_PES_FILTER) {
    const auto* filter = static_cast<const dmx_pes_filter_params*>(argument);
    if (filter->output != DMX_OUT_TS_TAP || !(filter->flags & DMX_IMMEDIATE_START)) return -EINVAL;
    o.pid = filter->pid;
    return 0;
  }
  if (o.kind == "dvr" && request == DMX_SET_BUFFER_SIZE) {
    a->second.dvrBuffer = reinterpret_cast<unsigned long>(argument);
    return 0;
  }
  return -ENOTTY;
}

long FakeDvb::Read(int fd, void* buffer, std::size_t size) {
  std::lock_guard lock(mutex_);
  auto it = open_.find(fd);
  if (it == open_.end() || it->second.kind != "dvr") return -EBADF;
  auto a = adapters_.find(it->second.adapter);
  if (a == adapters_.end() || a->second.unplugged) return -ENODEV;
  if (a->second.overflow) {
    a->second.overflow = false;
    return -EOVERFLOW;
  }
  auto& dvr = a->second.dvr;
  if (dvr.empty()) return -EAGAIN;
  const std::size_t n = std::min(size, dvr.size());
  std::copy_n(dvr.begin(), n, static_cast<std::uint8_t*>(buffer));
  dvr.erase(dvr.begin(), dvr.begin() + static_cast<std::ptrdiff_t>(n));
  return static_cast<long>(n);
}

int FakeDvb::Poll(int fd, short events, int timeoutMs) {
  {
    std::lock_guard lock(mutex_);
    auto it = open_.find(fd);
    if (it == open_.end()) return POLLNVAL;
    auto a = adapters_.find(it->second.adapter);
    if (a == adapters_.end() || a->second.unplugged) return POLLERR | POLLHUP;
    if (a->second.overflow) return POLLERR;
    if (!a->second.dvr.empty()) return events & POLLIN;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 5)));
  return 0;
}

void FakeDvb::Close(int fd) {
  std::lock_guard lock(mutex_);
  open_.erase(fd);
}

std::vector<std::string> FakeDvb::List(const std::string& folder) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  if (folder == "/dev/dvb") {
    for (const auto& entry : adapters_)
      names.push_back("adapter" + std::to_string(entry.first));
    return names;
  }
  int adapter = -1;
  if (std::sscanf(folder.c_str(), "/dev/dvb/adapter%d", &adapter) == 1 &&
      adapters_.count(adapter) != 0) {
    names = {"demux0", "dvr0", "frontend0", "net0"};
  }
  return names;
}

}  // namespace linuxdvb::test
