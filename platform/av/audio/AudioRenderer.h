// CAudioRenderer: the audio renderer (CLSID_DSoundRender). It plays 16-bit PCM
// (1 to 8 channels, common rates) on the sound device, by default the ALSA
// "default" device that desktop sound servers provide.
//
// - Scheduling: each sample goes to the device a little ahead of its time
//   (kLead), so the device never runs dry between samples. Before writing, the
//   sample's start is compared with the stream time at which the device queue
//   ends: a gap is filled with silence, a late start is cut off the sample.
// - Volume and balance (IBasicAudio) are gains applied to the samples.
// - The renderer offers its clock (CAudioClock, on the device's position) to
//   the graph, which takes a renderer's clock first.
// - States: the device opens at the first pause, holds while paused, resumes
//   on run, is emptied by a flush and closed on stop.
// - End of stream is reported once the device has played the last sample.
// - Without a device (none opens, as in containers) the renderer says so in
//   one trace line and behaves as a null renderer: samples are consumed at
//   their times on the clock, which then runs on the system clock.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/av/audio/AudioClock.h"
#include "platform/av/audio/AudioDevice.h"
#include "platform/av/audio/BasicAudio.h"
#include "platform/media/Renderer.h"

inline constexpr CLSID CLSID_DSoundRender = com::GuidOf("79376820-07D0-11CF-A24D-0020AFD79767");

namespace av::audio {

// The name the renderer is registered under.
inline constexpr char16_t kAudioRendererName[] = u"Default DirectSound Device";

class CAudioRenderer : public CBaseRenderer, public IBasicAudio {
 public:
  // How far ahead of its time a sample goes to the device.
  static constexpr REFERENCE_TIME kLead = 200 * 10'000;
  // A difference between a sample's start and the end of the device queue
  // up to this is left alone.
  static constexpr REFERENCE_TIME kTolerance = 30 * 10'000;

  // A null opener opens the ALSA "default" device.
  explicit CAudioRenderer(HRESULT* hr, AudioDeviceOpener opener = nullptr);
  ~CAudioRenderer() override;

  // For a class-factory table (CLSID_DSoundRender).
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(DWORD milliseconds, FILTER_STATE* state) override;
  HRESULT SetSyncSource(IReferenceClock* clock) override;

  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT ShouldDrawSampleNow(IMediaSample* sample, REFERENCE_TIME* start,
                              REFERENCE_TIME* stop) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;

  // IBasicAudio
  HRESULT put_Volume(long volume) override;
  HRESULT get_Volume(long* volume) override;
  HRESULT put_Balance(long balance) override;
  HRESULT get_Balance(long* balance) override;

  // Whether samples go to a sound device (false: the null behaviour).
  bool HasDevice();

 private:
  void OpenDevice(const AudioFormat& format);
  void CloseDevice();
  bool Interrupted();
  // Writes frames to the device, waiting for room; false when interrupted.
  bool WriteFrames(IAudioDevice& device, const std::int16_t* frames, long count, unsigned channels);
  // Waits until the last sample has been played; false when interrupted.
  bool WaitUntilPlayed();

  AudioDeviceOpener opener_;
  ComPtr<CAudioClock> audioClock_;
  std::atomic<long> volume_{kVolumeFull};
  std::atomic<long> balance_{0};
  std::atomic<bool> draining_{false};
  std::atomic<REFERENCE_TIME> lastStop_{0};

  std::mutex deviceMutex_;
  AudioFormat format_;  // of the connection
  bool haveFormat_ = false;
  std::shared_ptr<IAudioDevice> device_;
  AudioFormat deviceFormat_;
  ComPtr<IReferenceClock> syncClock_;

  std::vector<std::int16_t> scratch_;  // streaming thread only
};

// The format of a PCM media type the renderer plays, or false.
bool PcmFormatOf(const AM_MEDIA_TYPE& mt, AudioFormat* format);

}  // namespace av::audio
