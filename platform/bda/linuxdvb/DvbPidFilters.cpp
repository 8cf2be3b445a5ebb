#include "platform/bda/linuxdvb/DvbPidFilters.h"

#include <fcntl.h>
#include <sys/ioctl.h>  // before the DVB headers, which use its macros

#include <linux/dvb/dmx.h>

#include <algorithm>

#include "platform/bda/linuxdvb/KernelError.h"

namespace linuxdvb {

HRESULT DvbPidFilters::Open(unsigned pid, DvbFd* fd) {
  DvbFd opened(&calls_, calls_.Open(path_, O_RDWR | O_NONBLOCK));
  if (!opened.Valid()) return TraceKernelError("open", path_, opened.Release());
  dmx_pes_filter_params filter{};
  filter.pid = static_cast<__u16>(pid);
  filter.input = DMX_IN_FRONTEND;
  filter.output = DMX_OUT_TS_TAP;
  filter.pes_type = DMX_PES_OTHER;
  filter.flags = DMX_IMMEDIATE_START;
  const int result = calls_.Ioctl(opened.Get(), DMX_SET_PES_FILTER, &filter);
  if (result < 0) return TraceKernelError("DMX_SET_PES_FILTER", path_, result);
  *fd = std::move(opened);
  return S_OK;
}

HRESULT DvbPidFilters::Set(const std::vector<unsigned>& pids) {
  std::lock_guard lock(mutex_);
  std::erase_if(filters_, [&](const auto& entry) {
    return std::find(pids.begin(), pids.end(), entry.first) == pids.end();
  });
  HRESULT first = S_OK;
  for (unsigned pid : pids) {
    if (filters_.count(pid) != 0) continue;
    DvbFd fd;
    const HRESULT hr = Open(pid, &fd);
    if (SUCCEEDED(hr)) {
      filters_.emplace(pid, std::move(fd));
    } else if (SUCCEEDED(first)) {
      first = hr;
    }
  }
  return first;
}

std::vector<unsigned> DvbPidFilters::Pids() const {
  std::lock_guard lock(mutex_);
  std::vector<unsigned> pids;
  for (const auto& entry : filters_)
    pids.push_back(entry.first);
  return pids;
}

}  // namespace linuxdvb
