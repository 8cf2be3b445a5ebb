// A DVB frontend as the backend of the tuner device model: tunes by DTV
// properties, reports lock and signal, sets the hardware PID filter on the
// demux device and reads the transport stream from the dvr device.
//
// The frontend is opened for tuning at the first tune (another program
// tuning it makes that tune fail with ERROR_BUSY), the demux filters at the
// first tune or stream start, the dvr device when the stream is first read,
// with a kernel buffer for two seconds of a 38.8 Mbit/s multiplex. A buffer
// overflow (the reader fell behind) is counted and traced; the stream goes on.
// What the dvr device still holds when a tune is committed was received from
// the old multiplex: the first read after the tune drains it unread.
// A device that goes away ends the stream with ERROR_DEV_NOT_EXIST.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>

#include "platform/bda/linuxdvb/DvbFrontends.h"
#include "platform/bda/linuxdvb/DvbPidFilters.h"
#include "platform/bda/model/TunerDevice.h"

namespace linuxdvb {

inline constexpr std::size_t kPacketBytes = 188;
// Two seconds of the fastest multiplex (38.8 Mbit/s), in whole packets.
inline constexpr std::size_t kDvrBufferBytes =
    (2 * 38'800'000 / 8 + kPacketBytes - 1) / kPacketBytes * kPacketBytes;
// How long a read waits for packets before it reports none.
inline constexpr int kReadWaitMs = 10;

class DvbTuner : public bda::TunerDevice, public bda::TunerStream {
 public:
  DvbTuner(std::shared_ptr<DvbCalls> calls, DvbFrontend frontend);

  bool Tune(const bda::DeviceTune& tune) override;
  bda::SignalState Signal() const override;
  void PidFilterChanged(LONG mode, const std::vector<ULONG>& pids) override;

  void StartStreaming() override;
  HRESULT Read(std::span<std::uint8_t> buffer, std::size_t* bytes) override;
  std::uint32_t TuneCount() const override { return tunes_.load(); }

  const DvbFrontend& Frontend() const { return frontend_; }
  // The result of the last tune's kernel calls (S_OK when they were accepted).
  HRESULT LastTuneResult() const { return lastTune_.load(); }
  std::uint32_t Overflows() const { return overflows_.load(); }
  bool Gone() const { return gone_.load(); }
  // The PIDs the demux filters pass now (0x2000: all).
  std::vector<unsigned> FilteredPids() const { return pidFilters_.Pids(); }

 private:
  HRESULT OpenFrontend();
  HRESULT Tuned(const bda::DeviceTune& tune);
  void ApplyPidFilter();
  HRESULT OpenDvr();
  void DrainDvr(std::span<std::uint8_t> scratch);
  HRESULT Lost(const char* call, const std::string& path, int negativeErrno);

  const std::shared_ptr<DvbCalls> calls_;
  const DvbFrontend frontend_;
  mutable std::mutex frontendMutex_;
  DvbFd frontendFd_;

  std::mutex pidMutex_;
  bool pidFilterActive_ = false;
  std::vector<unsigned> wantedPids_{kWholeMultiplexPid};
  DvbPidFilters pidFilters_;

  // Used by the streaming thread only.
  DvbFd dvr_;
  std::array<std::uint8_t, kPacketBytes> carry_{};
  std::size_t carryBytes_ = 0;
  std::uint32_t drainedTunes_ = 0;  // the tune count the dvr device was last drained at

  std::atomic<std::uint32_t> tunes_{0};
  std::atomic<HRESULT> lastTune_{S_OK};
  std::atomic<std::uint32_t> overflows_{0};
  std::atomic<bool> gone_{false};
};

}  // namespace linuxdvb
