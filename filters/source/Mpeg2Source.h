// CMPEG2Source ("Tallowmark MPEG-2 Source"): plays back the recording files
// and chunk lists the "MPEG-2 Sink" writes, on three output pins "Video",
// "Audio" and "Text", over the programme-stream reader Mpeg2SourceCore.
//
// One streaming thread reads for all three pins. It starts when the filter
// pauses, seeks to the current position, marks every pin's next sample as a
// discontinuity and sends a new segment (start, stop, rate) on each; then it
// takes a buffer for each connected pin, reads one pack and delivers each
// payload with start = PTS - current position (stop = start + 1, sync point)
// or without times when the PES packet had no PTS. At the end of the newest
// chunk of a list it polls until the chunk grows; at the end of a single file
// it sends end of stream on every pin and ends.
//
// Seeking (IMediaSeeking, capabilities 0x37, reference time only): a new start
// position or rate restarts delivery (flush downstream, stop the thread,
// start it again from the new position); a rate of 0 or below is refused with
// E_FAIL and the rate returns to 1.0. GetAvailable re-reads the list and
// re-measures the chunks.
//
// Locks: the filter lock (state, Load), the seeking lock (positions and rate),
// and the thread lock, taken last by both, which guards starting and stopping
// the streaming thread. The thread itself takes none of them: it works on a
// copy of the segment it was started with and on the reader's own lock, so
// Stop and a seek can wait for it while holding theirs.
#pragma once

#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "filters/source/IMPEG2Source.h"
#include "filters/source/Mpeg2SourceCore.h"
#include "filters/source/SourceOutputPin.h"
#include "platform/media/BaseFilter.h"
#include "platform/media/DeviceInterfaces.h"
#include "platform/media/Seeking.h"

namespace filters {

inline constexpr char16_t kSourceFilterName[] = u"Tallowmark MPEG-2 Source";

// How long the streaming thread waits before looking again at a chunk that
// has no further whole pack yet (time-shift playback at the live edge).
inline constexpr int kGrowthPollMilliseconds = 20;

class CMPEG2Source : public CBaseFilter,
                     public CSourceSeeking,
                     public IFileSourceFilter,
                     public IAMovieSetup,
                     public IMPEG2Source {
 public:
  explicit CMPEG2Source(HRESULT* hr, FileSystem& fileSystem = SystemFileSystem());
  ~CMPEG2Source() override;

  // For a class-factory table (CLSID_MPEG2Source).
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  int GetPinCount() override { return 3; }
  CBasePin* GetPin(int n) override;
  CPin* OutputPin(PinType stream) const;

  // Pause from stopped starts the streaming thread; Stop ends it and waits.
  HRESULT Pause() override;
  HRESULT Stop() override;

  // IFileSourceFilter. Load is refused while the filter runs.
  HRESULT Load(LPCWSTR fileName, const AM_MEDIA_TYPE* mt) override;
  HRESULT GetCurFile(LPWSTR* fileName, AM_MEDIA_TYPE* mt) override;

  // IMPEG2Source
  HRESULT SetSingleFile(DWORD value) override;

  // IAMovieSetup: the filter's entry with the filter mapper.
  HRESULT Register() override;
  HRESULT Unregister() override;

  // IMediaSeeking, where the source differs from the base.
  HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  HRESULT SetRate(double rate) override;

  // The pin whose seeking calls are passed on: the first connected one.
  bool IsSeekingPin(const CPin* pin) const;

  // Diagnostics and tests.
  bool StreamingThreadRunning();
  SourceStats Stats() const { return core_.Stats(); }
  std::int32_t CurrentEntry() const { return core_.CurrentEntry(); }

 protected:
  // Called under the seeking lock.
  HRESULT ChangeStart() override;
  HRESULT ChangeStop() override;
  HRESULT ChangeRate() override;

 private:
  struct Segment {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = kUnboundedTime;
    double rate = 1.0;
  };

  // The rest runs under the thread lock.
  void StartThreadLocked();
  void StopThreadLocked();
  // Flushes downstream, stops the thread and starts it again from segment_.
  void RestartLocked();

  // The streaming thread.
  void StreamLoop(Segment segment);
  bool StopRequested();
  // Waits up to the time (or until told to stop); true when told to stop.
  bool WaitForStop(int milliseconds);

  CCritSec lock_;
  CCritSec seekingLock_;
  CCritSec threadLock_;
  Mpeg2SourceCore core_;
  std::array<std::unique_ptr<CPin>, 3> pins_;

  // Under the thread lock.
  Segment segment_;
  bool active_ = false;  // paused or running: the pins' queues exist
  std::thread thread_;

  std::mutex wakeMutex_;
  std::condition_variable wake_;
  bool stopRequested_ = false;  // under wakeMutex_
};

// Adds the filter's class to the in-process class registry, so that
// CoCreateInstance(CLSID_MPEG2Source, ...) creates it. Calling it again does
// no harm.
void RegisterMpeg2SourceClass();

// The filter's registration record (also the factory table's setup data).
const AMOVIESETUP_FILTER& Mpeg2SourceSetup();

}  // namespace filters
