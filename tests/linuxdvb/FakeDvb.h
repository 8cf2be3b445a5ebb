// A fake of the kernel's DVB devices for the backend's tests: adapters with
// one frontend, demux and dvr each, answering the calls the backend makes and
// recording what it set. The dvr device delivers what a test feeds it.
#pragma once

#include <sys/ioctl.h>  // before the DVB headers, which use its macros

#include <linux/dvb/frontend.h>

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/bda/linuxdvb/DvbCalls.h"

namespace linuxdvb::test {

struct FakeFrontend {
  std::string name;
  fe_type_t type = FE_ATSC;
  std::uint32_t caps = 0;
  std::vector<std::uint32_t> systems;  // empty: a driver without DTV_ENUM_DELSYS
  fe_status_t status = {};
  std::optional<dtv_stats> strength, cnr;            // DTV_STAT_* values
  std::optional<std::uint16_t> oldStrength, oldSnr;  // FE_READ_SIGNAL_STRENGTH, FE_READ_SNR
};

inline dtv_stats Decibel(long long value) {
  dtv_stats s{};
  s.scale = FE_SCALE_DECIBEL;
  s.svalue = value;
  return s;
}

inline dtv_stats Relative(std::uint64_t value) {
  dtv_stats s{};
  s.scale = FE_SCALE_RELATIVE;
  s.uvalue = value;
  return s;
}

class FakeDvb : public DvbCalls {
 public:
  void AddAdapter(int adapter, FakeFrontend frontend);
  void RemoveAdapter(int adapter);
  // The adapter stays listed, but every call on it fails with ENODEV.
  void Unplug(int adapter);
  void SetStatus(int adapter, fe_status_t status);

  // What the dvr device delivers next; an overflow makes the next read fail
  // with EOVERFLOW (the kernel drops what it held).
  void Feed(int adapter, const std::vector<std::uint8_t>& bytes);
  void Overflow(int adapter);

  // The FE_SET_PROPERTY calls, each as its commands and values.
  std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>> SetPropertyCalls(int adapter);
  // The PIDs of the started demux filters (each sending to the dvr device).
  std::multiset<unsigned> DemuxPids(int adapter);
  unsigned long DvrBufferSize(int adapter);

  int Open(const std::string& path, int flags) override;
  int Ioctl(int fd, unsigned long request, void* argument) override;
  long Read(int fd, void* buffer, std::size_t size) override;
  int Poll(int fd, short events, int timeoutMs) override;
  void Close(int fd) override;
  std::vector<std::string> List(const std::string& folder) override;

 private:
  struct Adapter {
    FakeFrontend frontend;
    bool unplugged = false;
    std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>> setCalls;
    std::deque<std::uint8_t> dvr;
    bool overflow = false;
    unsigned long dvrBuffer = 0;
  };
  struct Handle {
    int adapter = 0;
    std::string kind;  // "frontend", "demux", "dvr"
    bool writable = false;
    std::optional<unsigned> pid;
  };
  int FrontendIoctl(Adapter& a, const Handle& o, unsigned long request, void* argument);

  std::mutex mutex_;
  std::map<int, Adapter> adapters_;
  std::map<int, Handle> open_;
  int nextFd_ = 100;
};

}  // namespace linuxdvb::test
