// CMPEG2Sink, the "MPEG-2 Sink" filter: writes the video, AC-3 and programme
// text streams it receives as an MPEG-2 programme stream into chunk files
// indexed by a ".lst" list file (time-shift buffer) or into a recording file,
// as named through IFileSinkFilter::SetFileName. The multiplexing and file
// handling are filters::Mpeg2SinkCore's; this class is the graph side: pins,
// media types, allocator requirements, locks, state and seeking.
//
// Locks: the filter lock, then the receive locks of the video, audio and text
// pins in that order (SetFileName, Stop, pin Inactive); Receive takes the
// three receive locks only. The core's own lock is always the innermost.
#pragma once

#include <memory>
#include <mutex>

#include "filters/sink/IMPEG2Sink.h"
#include "filters/sink/Mpeg2SinkCore.h"
#include "filters/sink/SinkInputPin.h"
#include "platform/media/BaseFilter.h"
#include "platform/media/DeviceInterfaces.h"
#include "platform/media/Seeking.h"

inline constexpr char16_t kMpeg2SinkName[] = u"MPEG-2 Sink";

class CMPEG2Sink : public CBaseFilter,
                   public IAMovieSetup,
                   public IMPEG2Sink,
                   public IFileSinkFilter {
 public:
  // `fileSystem` must outlive the filter; tests pass one that runs out of space.
  explicit CMPEG2Sink(filters::FileSystem& fileSystem = filters::SystemFileSystem());
  ~CMPEG2Sink() override;

  // For a class-factory table (CLSID_MPEG2Sink); no aggregation.
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  int GetPinCount() override { return 3; }
  CBasePin* GetPin(int n) override;
  CInputPin0* InputPin(filters::PinType type) { return pins_[Index(type)].get(); }

  // IMediaFilter: Stop also closes the current file (end code first).
  HRESULT Stop() override;
  HRESULT SetSyncSource(IReferenceClock* clock) override;

  // IFileSinkFilter (the media type is ignored).
  HRESULT SetFileName(LPCWSTR name, const AM_MEDIA_TYPE* mt) override;
  HRESULT GetCurFile(LPWSTR* name, AM_MEDIA_TYPE* mt) override;

  // IAMovieSetup: the filter's entry with the filter mapper.
  HRESULT Register() override;
  HRESULT Unregister() override;

  // IMPEG2Sink: not supported.
  HRESULT SetParameters(LONG, LONG, LONG, LONG, LONG) override { return E_FAIL; }

  // The engine, for the pins and for diagnostics (statistics, list, paths).
  filters::Mpeg2SinkCore& Core() { return core_; }
  // Running state and stream time now, without the filter lock (Receive
  // holds the receive locks, which come after the filter lock).
  filters::FilterClock ClockNow();
  // Called by the pins after each sample went to the core, under the receive
  // locks; a derived sink watches its writing here.
  virtual void AfterReceive() {}

 private:
  friend class ReceiveLocks;
  static std::size_t Index(filters::PinType type) { return static_cast<std::size_t>(type) - 1; }

  CCritSec lock_;
  filters::Mpeg2SinkCore core_;
  std::unique_ptr<CInputPin0> pins_[3];
  ComPtr<CPosPassThru> seeking_;
  std::mutex clockMutex_;  // guards clockCopy_ (innermost, held only to copy it)
  ComPtr<IReferenceClock> clockCopy_;
};

// Holds the three receive locks of a sink in the order video, audio, text.
class ReceiveLocks {
 public:
  explicit ReceiveLocks(CMPEG2Sink& sink);
  ~ReceiveLocks();
  ReceiveLocks(const ReceiveLocks&) = delete;
  ReceiveLocks& operator=(const ReceiveLocks&) = delete;

 private:
  CMPEG2Sink& sink_;
};

// Creates the sink in-process (one reference, for the caller).
HRESULT CreateMpeg2Sink(IBaseFilter** filter);

// Adds CLSID_MPEG2Sink to the process's class registry, so that
// CoCreateInstance and a graph can create the sink by class id.
void RegisterMpeg2SinkClass();

// The sink's registration data (name, merit, three rendered input pins).
const AMOVIESETUP_FILTER& Mpeg2SinkSetup();
