#include "platform/av/audio/AudioRenderer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "platform/av/audio/AlsaDevice.h"
#include "platform/av/audio/SampleGain.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/WaveFormat.h"

namespace av::audio {
namespace {

constexpr unsigned kRates[] = {8000,  11025, 12000, 16000, 22050, 24000,
                               32000, 44100, 48000, 88200, 96000};
constexpr unsigned kMaxChannels = 8;
constexpr int kPollMilliseconds = 10;

REFERENCE_TIME FramesToTime(std::int64_t frames, unsigned rate) {
  return frames * 10'000'000 / rate;
}

std::int64_t TimeToFrames(REFERENCE_TIME time, unsigned rate) {
  return time * rate / 10'000'000;
}

std::unique_ptr<IAudioDevice> OpenDefaultDevice(const AudioFormat& format, std::string* error) {
  return OpenAlsaDevice("default", format, error);
}

// A machine without a sound device fails to open one at every channel change;
// the line is printed once per distinct reason, not once per renderer.
void TellNoSoundDevice(const std::string& error) {
  static std::mutex mutex;
  static std::string lastError;
  std::lock_guard lock(mutex);
  if (error == lastError) return;
  lastError = error;
  std::printf("Audio renderer: no sound device (%s), playing without sound\n", error.c_str());
}

}  // namespace

bool PcmFormatOf(const AM_MEDIA_TYPE& mt, AudioFormat* format) {
  if (mt.majortype != MEDIATYPE_Audio || mt.subtype != MEDIASUBTYPE_PCM) return false;
  if (mt.formattype != FORMAT_WaveFormatEx || mt.pbFormat == nullptr) return false;
  if (mt.cbFormat < sizeof(WAVEFORMATEX)) return false;
  WAVEFORMATEX wave;
  std::memcpy(&wave, mt.pbFormat, sizeof wave);
  if (wave.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
    if (mt.cbFormat < sizeof(WAVEFORMATEXTENSIBLE)) return false;
    WAVEFORMATEXTENSIBLE extensible;
    std::memcpy(&extensible, mt.pbFormat, sizeof extensible);
    if (extensible.SubFormat != MEDIASUBTYPE_PCM) return false;
  } else if (wave.wFormatTag != WAVE_FORMAT_PCM) {
    return false;
  }
  if (wave.wBitsPerSample != 16 || wave.nChannels < 1 || wave.nChannels > kMaxChannels)
    return false;
  if (wave.nBlockAlign != wave.nChannels * 2) return false;
  if (std::find(std::begin(kRates), std::end(kRates), wave.nSamplesPerSec) == std::end(kRates))
    return false;
  if (format) *format = {wave.nSamplesPerSec, wave.nChannels};
  return true;
}

CAudioRenderer::CAudioRenderer(HRESULT* hr, AudioDeviceOpener opener)
    : CBaseRenderer(CLSID_DSoundRender, "audio renderer", nullptr, hr),
      opener_(opener ? std::move(opener) : AudioDeviceOpener(OpenDefaultDevice)),
      audioClock_(new CAudioClock) {}

CAudioRenderer::~CAudioRenderer() {
  CloseDevice();
}

CUnknown* CAudioRenderer::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  HRESULT result = S_OK;
  auto* renderer = new CAudioRenderer(&result);
  if (hr) *hr = result;
  return renderer;
}

HRESULT CAudioRenderer::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IBasicAudio) return GetInterface(static_cast<IBasicAudio*>(this), object);
  if (iid == IID_IReferenceClock) {
    return GetInterface(static_cast<IReferenceClock*>(audioClock_.Get()), object);
  }
  return CBaseRenderer::NonDelegatingQueryInterface(iid, object);
}

// ---- device -----------------------------------------------------------------

void CAudioRenderer::OpenDevice(const AudioFormat& format) {
  CloseDevice();
  std::string error;
  std::shared_ptr<IAudioDevice> device = opener_(format, &error);
  if (!device) {
    TellNoSoundDevice(error);
    return;
  }
  {
    std::lock_guard lock(deviceMutex_);
    device_ = device;
    deviceFormat_ = format;
  }
  audioClock_->SetDevice(device, format.rate);
}

void CAudioRenderer::CloseDevice() {
  std::shared_ptr<IAudioDevice> device;
  {
    std::lock_guard lock(deviceMutex_);
    device = std::move(device_);
  }
  if (!device) return;
  device->Drop();
  audioClock_->SetDevice(nullptr, 0);
}

bool CAudioRenderer::HasDevice() {
  std::lock_guard lock(deviceMutex_);
  return device_ != nullptr;
}

bool CAudioRenderer::Interrupted() {
  return State() == State_Stopped || InputPin()->IsFlushing();
}

// ---- states -----------------------------------------------------------------

HRESULT CAudioRenderer::Stop() {
  CAutoLock lock(FilterLock());
  const HRESULT hr = CBaseRenderer::Stop();
  CloseDevice();
  lastStop_ = 0;
  return hr;
}

HRESULT CAudioRenderer::Pause() {
  CAutoLock lock(FilterLock());
  const FILTER_STATE old = State();
  if (old == State_Stopped && InputPin()->IsConnected()) {
    AudioFormat format;
    bool haveFormat = false;
    {
      std::lock_guard device(deviceMutex_);
      format = format_;
      haveFormat = haveFormat_;
    }
    if (haveFormat) OpenDevice(format);
  }
  HRESULT hr = CBaseRenderer::Pause();
  if (FAILED(hr)) return hr;
  if (old == State_Running) {
    std::lock_guard device(deviceMutex_);
    if (device_) device_->Pause(true);
  }
  audioClock_->Notice();
  // Waiting for the last frames to play, the renderer has all it will get.
  return draining_ ? S_OK : hr;
}

HRESULT CAudioRenderer::Run(REFERENCE_TIME start) {
  CAutoLock lock(FilterLock());
  const HRESULT hr = CBaseRenderer::Run(start);
  if (FAILED(hr)) return hr;
  std::lock_guard device(deviceMutex_);
  if (device_) device_->Pause(false);
  return hr;
}

HRESULT CAudioRenderer::GetState(DWORD milliseconds, FILTER_STATE* state) {
  if (state != nullptr && draining_ && State() == State_Paused) {
    *state = State_Paused;
    return S_OK;
  }
  return CBaseRenderer::GetState(milliseconds, state);
}

HRESULT CAudioRenderer::SetSyncSource(IReferenceClock* clock) {
  const HRESULT hr = CBaseRenderer::SetSyncSource(clock);
  std::lock_guard lock(deviceMutex_);
  syncClock_ = clock;
  return hr;
}

HRESULT CAudioRenderer::BeginFlush() {
  const HRESULT hr = CBaseRenderer::BeginFlush();
  std::lock_guard lock(deviceMutex_);
  if (device_) device_->Drop();
  lastStop_ = 0;
  return hr;
}

// ---- media types ------------------------------------------------------------

HRESULT CAudioRenderer::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  return PcmFormatOf(*mt, nullptr) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CAudioRenderer::SetMediaType(const CMediaType* mt) {
  AudioFormat format;
  if (mt == nullptr || !PcmFormatOf(*mt, &format)) return VFW_E_TYPE_NOT_ACCEPTED;
  std::lock_guard lock(deviceMutex_);
  format_ = format;
  haveFormat_ = true;
  return S_OK;
}

// ---- samples ----------------------------------------------------------------

HRESULT CAudioRenderer::ShouldDrawSampleNow(IMediaSample*, REFERENCE_TIME* start,
                                            REFERENCE_TIME* stop) {
  if (HasDevice()) {
    *start -= kLead;
    *stop -= kLead;
  }
  return S_FALSE;
}

bool CAudioRenderer::WriteFrames(IAudioDevice& device, const std::int16_t* frames, long count,
                                 unsigned channels) {
  while (count > 0) {
    if (Interrupted()) return false;
    const long written = device.Write(frames, count);
    if (written < 0) {
      std::printf("Audio renderer: the sound device failed (%ld), playing without sound\n",
                  written);
      CloseDevice();
      return false;
    }
    if (written == 0) {
      device.WaitForRoom(kPollMilliseconds);
      continue;
    }
    frames += static_cast<std::size_t>(written) * channels;
    count -= written;
  }
  return true;
}

HRESULT CAudioRenderer::DoRenderSample(IMediaSample* sample) {
  REFERENCE_TIME start = 0, stop = 0;
  const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
  if (timed) lastStop_ = stop;
  if (sample->IsPreroll() == S_OK) return S_OK;

  AM_MEDIA_TYPE* newType = nullptr;
  if (sample->GetMediaType(&newType) == S_OK && newType != nullptr) {
    AudioFormat format;
    const bool pcm = PcmFormatOf(*newType, &format);
    DeleteMediaType(newType);
    if (pcm) {
      {
        std::lock_guard lock(deviceMutex_);
        format_ = format;
      }
      OpenDevice(format);
    }
  }

  std::shared_ptr<IAudioDevice> device;
  AudioFormat format;
  ComPtr<IReferenceClock> clock;
  {
    std::lock_guard lock(deviceMutex_);
    device = device_;
    format = deviceFormat_;
    clock = syncClock_;
  }
  if (!device) return S_OK;  // no sound device: the sample is consumed at its time

  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || data == nullptr) return S_OK;
  const long frameBytes = static_cast<long>(format.channels) * 2;
  const long frames = std::max<LONG>(sample->GetActualDataLength(), 0) / frameBytes;
  if (frames == 0) return S_OK;

  scratch_.resize(static_cast<std::size_t>(frames) * format.channels);
  std::memcpy(scratch_.data(), data, scratch_.size() * sizeof(std::int16_t));
  ApplyGains(scratch_, scratch_, ChannelGains(volume_, balance_, format.channels));

  // Place the sample at its time: the device queue ends at stream time
  // `queueEnd`; fill a gap before the sample with silence, cut a late start.
  long skip = 0;
  if (timed && clock) {
    REFERENCE_TIME now = 0;
    clock->GetTime(&now);
    const REFERENCE_TIME queueEnd =
        now - StartTime() + FramesToTime(device->Position().queued, format.rate);
    const REFERENCE_TIME gap = start - queueEnd;
    if (gap > kTolerance) {
      const std::vector<std::int16_t> silence(
          static_cast<std::size_t>(TimeToFrames(gap, format.rate)) * format.channels, 0);
      if (!WriteFrames(*device, silence.data(), static_cast<long>(silence.size() / format.channels),
                       format.channels)) {
        return S_OK;
      }
    } else if (gap < -kTolerance) {
      skip = static_cast<long>(std::min<std::int64_t>(frames, TimeToFrames(-gap, format.rate)));
    }
  }
  WriteFrames(*device, scratch_.data() + static_cast<std::size_t>(skip) * format.channels,
              frames - skip, format.channels);
  return S_OK;
}

// ---- end of stream ------------------------------------------------------------

bool CAudioRenderer::WaitUntilPlayed() {
  for (;;) {
    if (Interrupted()) return false;
    std::shared_ptr<IAudioDevice> device;
    ComPtr<IReferenceClock> clock;
    {
      std::lock_guard lock(deviceMutex_);
      device = device_;
      clock = syncClock_;
    }
    const bool running = State() == State_Running;
    if (device) {
      if (running) device->Start();
      if (device->Position().queued <= 0) return true;
    } else {
      if (!clock) return true;
      REFERENCE_TIME now = 0;
      clock->GetTime(&now);
      if (running && now - StartTime() >= lastStop_) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
  }
}

HRESULT CAudioRenderer::EndOfStream() {
  if (InputPin()->CheckStreaming() == S_OK) {
    draining_ = true;
    const bool played = WaitUntilPlayed();
    draining_ = false;
    if (!played) return S_OK;
  }
  return CBaseRenderer::EndOfStream();
}

// ---- IBasicAudio ------------------------------------------------------------

HRESULT CAudioRenderer::put_Volume(long volume) {
  if (volume < kVolumeSilent || volume > kVolumeFull) return E_INVALIDARG;
  volume_ = volume;
  return S_OK;
}

HRESULT CAudioRenderer::get_Volume(long* volume) {
  if (volume == nullptr) return E_POINTER;
  *volume = volume_;
  return S_OK;
}

HRESULT CAudioRenderer::put_Balance(long balance) {
  if (balance < kBalanceLeft || balance > kBalanceRight) return E_INVALIDARG;
  balance_ = balance;
  return S_OK;
}

HRESULT CAudioRenderer::get_Balance(long* balance) {
  if (balance == nullptr) return E_POINTER;
  *balance = balance_;
  return S_OK;
}

}  // namespace av::audio
