#include "platform/bda/linuxdvb/DvbTuner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>  // before the DVB headers, which use its macros

#include <linux/dvb/dmx.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/bda/linuxdvb/DvbProperties.h"
#include "platform/bda/linuxdvb/DvbSignal.h"
#include "platform/bda/linuxdvb/KernelError.h"

namespace linuxdvb {
namespace {

// Overflows are traced the first time and then every this many.
constexpr std::uint32_t kOverflowTraceEvery = 100;

int SetProperties(DvbCalls& calls, int fd, std::vector<dtv_property>& list) {
  dtv_properties properties{static_cast<__u32>(list.size()), list.data()};
  return calls.Ioctl(fd, FE_SET_PROPERTY, &properties);
}

}  // namespace

DvbTuner::DvbTuner(std::shared_ptr<DvbCalls> calls, DvbFrontend frontend)
    : calls_(std::move(calls)),
      frontend_(std::move(frontend)),
      pidFilters_(*calls_, frontend_.demuxPath) {}

HRESULT DvbTuner::OpenFrontend() {
  if (frontendFd_.Valid()) return S_OK;
  DvbFd fd(calls_.get(), calls_->Open(frontend_.frontendPath, O_RDWR | O_NONBLOCK));
  if (!fd.Valid()) return TraceKernelError("open", frontend_.frontendPath, fd.Release());
  frontendFd_ = std::move(fd);
  return S_OK;
}

HRESULT DvbTuner::Tuned(const bda::DeviceTune& tune) {
  if (std::find(frontend_.families.begin(), frontend_.families.end(), tune.family) ==
      frontend_.families.end()) {
    std::printf("linuxdvb: %s has no demodulator of the tuned family\n", frontend_.name.c_str());
    return E_INVALIDARG;
  }
  HRESULT hr = OpenFrontend();
  if (FAILED(hr)) return hr;
  std::vector<dtv_property> clear(1);
  clear[0].cmd = DTV_CLEAR;
  int result = SetProperties(*calls_, frontendFd_.Get(), clear);
  if (result >= 0) {
    std::vector<dtv_property> properties = TuneProperties(tune);
    result = SetProperties(*calls_, frontendFd_.Get(), properties);
  }
  if (result < 0) {
    hr = TraceKernelError("FE_SET_PROPERTY", frontend_.frontendPath, result);
    if (IsDeviceGone(result)) frontendFd_.Reset();
    return hr;
  }
  return S_OK;
}

bool DvbTuner::Tune(const bda::DeviceTune& tune) {
  bool locked = false;
  {
    std::lock_guard lock(frontendMutex_);
    const HRESULT hr = Tuned(tune);
    lastTune_.store(hr);
    tunes_.fetch_add(1);
    if (SUCCEEDED(hr)) locked = ReadSignal(*calls_, frontendFd_.Get()).locked;
  }
  ApplyPidFilter();
  return locked;
}

bda::SignalState DvbTuner::Signal() const {
  std::lock_guard lock(frontendMutex_);
  if (!frontendFd_.Valid() || gone_.load()) {
    bda::SignalState none;
    none.strength = -100'000;
    return none;
  }
  return ReadSignal(*calls_, frontendFd_.Get());
}

void DvbTuner::PidFilterChanged(LONG mode, const std::vector<ULONG>& pids) {
  {
    std::lock_guard lock(pidMutex_);
    wantedPids_.clear();
    if (mode == kPidFilterPassAll) {
      wantedPids_.push_back(kWholeMultiplexPid);
    } else {
      for (ULONG pid : pids)
        wantedPids_.push_back(static_cast<unsigned>(pid));
    }
    if (!pidFilterActive_) return;
  }
  ApplyPidFilter();
}

void DvbTuner::ApplyPidFilter() {
  std::lock_guard lock(pidMutex_);
  pidFilterActive_ = true;
  pidFilters_.Set(wantedPids_);
}

void DvbTuner::StartStreaming() {
  carryBytes_ = 0;
  ApplyPidFilter();
}

HRESULT DvbTuner::OpenDvr() {
  DvbFd fd(calls_.get(), calls_->Open(frontend_.dvrPath, O_RDONLY | O_NONBLOCK));
  if (!fd.Valid()) {
    const int error = fd.Release();
    if (IsDeviceGone(error)) return Lost("open", frontend_.dvrPath, error);
    return TraceKernelError("open", frontend_.dvrPath, error);
  }
  const int result =
      calls_->Ioctl(fd.Get(), DMX_SET_BUFFER_SIZE, reinterpret_cast<void*>(kDvrBufferBytes));
  if (result < 0) TraceKernelError("DMX_SET_BUFFER_SIZE", frontend_.dvrPath, result);  // not fatal
  dvr_ = std::move(fd);
  drainedTunes_ = tunes_.load();  // a device just opened holds nothing of an earlier tune
  return S_OK;
}

void DvbTuner::DrainDvr(std::span<std::uint8_t> scratch) {
  carryBytes_ = 0;
  // Until the device has nothing more; bounded, for a device that never runs dry.
  for (std::size_t drained = 0; drained < 2 * kDvrBufferBytes;) {
    const long n = calls_->Read(dvr_.Get(), scratch.data(), scratch.size());
    if (n > 0) {
      drained += static_cast<std::size_t>(n);
    } else if (n == -EOVERFLOW) {
      drained += kPacketBytes;  // the kernel dropped what it held; look again
    } else {
      return;  // EAGAIN: empty; other errors show at the next read
    }
  }
}

HRESULT DvbTuner::Lost(const char* call, const std::string& path, int negativeErrno) {
  const HRESULT hr = TraceKernelError(call, path, negativeErrno);
  if (!gone_.exchange(true))
    std::printf("linuxdvb: %s is gone; its stream ends\n", frontend_.name.c_str());
  dvr_.Reset();
  return hr;
}

HRESULT DvbTuner::Read(std::span<std::uint8_t> buffer, std::size_t* bytes) {
  *bytes = 0;
  if (gone_.load()) return HRESULT_FROM_WIN32(ERROR_DEV_NOT_EXIST);
  if (buffer.size() < 2 * kPacketBytes) return E_INVALIDARG;
  if (!dvr_.Valid()) {
    const HRESULT hr = OpenDvr();
    if (FAILED(hr)) return hr;
  }
  const std::size_t room = buffer.size() / kPacketBytes * kPacketBytes;
  // A tune was committed since the last read: what the device holds came
  // from the old multiplex, and this read's bytes carry the new tune's mark.
  if (const std::uint32_t tunes = tunes_.load(); tunes != drainedTunes_) {
    DrainDvr(buffer.first(room));
    drainedTunes_ = tunes;
  }
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::copy_n(carry_.begin(), carryBytes_, buffer.begin());
    const long n = calls_->Read(dvr_.Get(), buffer.data() + carryBytes_, room - carryBytes_);
    if (n > 0) {
      const std::size_t total = carryBytes_ + static_cast<std::size_t>(n);
      *bytes = total / kPacketBytes * kPacketBytes;
      carryBytes_ = total - *bytes;
      std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(*bytes), carryBytes_,
                  carry_.begin());
      return S_OK;
    }
    if (n == -EOVERFLOW) {
      // The kernel dropped what its buffer held; what follows starts afresh.
      carryBytes_ = 0;
      const std::uint32_t count = overflows_.fetch_add(1) + 1;
      if (count % kOverflowTraceEvery == 1)
        std::printf("linuxdvb: %s: stream buffer overflow (%u so far)\n", frontend_.dvrPath.c_str(),
                    count);
      continue;
    }
    if (n == -EAGAIN || n == 0) {
      if (attempt > 0) return S_OK;
      const int events = calls_->Poll(dvr_.Get(), POLLIN, kReadWaitMs);
      if (events < 0 && IsDeviceGone(events)) return Lost("poll", frontend_.dvrPath, events);
      if (events == 0) return S_OK;
      continue;
    }
    if (IsDeviceGone(static_cast<int>(n)))
      return Lost("read", frontend_.dvrPath, static_cast<int>(n));
    return TraceKernelError("read", frontend_.dvrPath, static_cast<int>(n));
  }
  return S_OK;
}

}  // namespace linuxdvb
