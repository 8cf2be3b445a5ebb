// The hardware PID filter of a tuner on the demux device: one demux descriptor
// per PID, each set with DMX_SET_PES_FILTER to copy its packets to the dvr
// device (DMX_OUT_TS_TAP) and started at once. Passing every packet is the one
// filter on PID 0x2000, the whole multiplex.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/bda/linuxdvb/DvbCalls.h"
#include "platform/com/HResult.h"

namespace linuxdvb {

// The pseudo-PID that stands for every PID of the multiplex.
inline constexpr unsigned kWholeMultiplexPid = 0x2000;

class DvbPidFilters {
 public:
  DvbPidFilters(DvbCalls& calls, std::string demuxPath)
      : calls_(calls), path_(std::move(demuxPath)) {}

  // Makes the filters on the demux the given PIDs: kernel filters of PIDs no
  // longer wanted are closed, new ones opened. The first failure is returned
  // (and traced); the other PIDs are still set.
  HRESULT Set(const std::vector<unsigned>& pids);
  // The PIDs filtered now.
  std::vector<unsigned> Pids() const;

 private:
  HRESULT Open(unsigned pid, DvbFd* fd);

  DvbCalls& calls_;
  const std::string path_;
  mutable std::mutex mutex_;
  std::map<unsigned, DvbFd> filters_;
};

}  // namespace linuxdvb
