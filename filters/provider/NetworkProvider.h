// CNetworkProvider: the "Tallowmark Network Provider", first filter of every
// live graph. Tuner filters register with it (IBDA_NetworkProvider) when their
// input connects to its "Antenna Out" pin; the demultiplexer registers too and
// gets three output pins (sections, video, audio) whose PID maps the provider
// keeps. Through INetworkProvider it tunes the tuner's nodes from the band
// plans, sets the tuner's PID filter and maps PIDs on the demultiplexer.
//
// Locks: every operation takes the filter lock, except GetCurrentTuning, which
// reads the current tuning under a small lock of its own that is never held
// while the tuner is talked to (it is called from the streaming thread for
// every section).
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "filters/provider/INetworkProvider.h"
#include "platform/bda/model/BdaInterfaces.h"
#include "platform/bda/model/Mpeg2Interfaces.h"
#include "platform/media/BaseFilter.h"
#include "platform/media/BasePin.h"
#include "tuning/BandPlan.h"

namespace filters {

// Registration kinds RegisterDeviceFilter gives back in its context.
inline constexpr ULONG kRegisteredTuner = 1;
inline constexpr ULONG kRegisteredDemultiplexer = 2;
inline constexpr ULONG kRegisteredNothing = 3;

// The demultiplexer output pins the provider creates.
inline constexpr const char16_t* kSectionPinName = u"Sections";
inline constexpr const char16_t* kVideoPinName = u"Video";
inline constexpr const char16_t* kAudioPinName = u"Audio";

// Most section-pin PIDs ClearPids removes in one call.
inline constexpr ULONG kMaxClearedPids = 256;

// The pin's media type: BDA antenna, all-zero subtype, no format block.
CMediaType AntennaMediaType();
// Media types of the demultiplexer pins the provider creates.
CMediaType SectionPinMediaType();
CMediaType VideoPinMediaType();
CMediaType AudioPinMediaType();

class CNetworkProvider;

class CNetworkProviderPin : public CBasePin {
 public:
  CNetworkProviderPin(CNetworkProvider* filter, CCritSec* lock, HRESULT* hr);
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  // Nothing streams through the antenna.
  HRESULT EndOfStream() override { return E_UNEXPECTED; }
  HRESULT BeginFlush() override { return E_UNEXPECTED; }
  HRESULT EndFlush() override { return E_UNEXPECTED; }
};

class CNetworkProvider : public CBaseFilter,
                         public IBDA_NetworkProvider,
                         public INetworkProvider,
                         public ISpecifyPropertyPages {
 public:
  explicit CNetworkProvider(HRESULT* hr);
  ~CNetworkProvider() override;
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;

  // Carries out a pending tune when the graph starts running.
  HRESULT Run(REFERENCE_TIME start) override;
  // VFW_S_CANT_CUE while paused, as a live source.
  HRESULT GetState(DWORD milliseconds, FILTER_STATE* state) override;

  // IBDA_NetworkProvider
  HRESULT PutSignalSource(ULONG signalSource) override;
  HRESULT GetSignalSource(ULONG* signalSource) override;
  HRESULT GetNetworkType(GUID* networkType) override;
  HRESULT PutTuningSpace(REFGUID tuningSpace) override;
  HRESULT GetTuningSpace(GUID* tuningSpace) override;
  HRESULT RegisterDeviceFilter(IUnknown* filter, ULONG* context) override;
  HRESULT UnRegisterDeviceFilter(ULONG context) override;

  // INetworkProvider
  HRESULT GetSettings(LONG* setting1, LONG* setting2, LONG* setting3) override;
  HRESULT PutSettings(LONG setting1, LONG setting2, LONG setting3) override;
  HRESULT MapStreamPids(LONG videoStreamType, LONG audioStreamType, LONG videoPid, LONG audioPid,
                        LONG pcrPid, BOOL flag) override;
  HRESULT SetPsiPids(const LONG* pids, LONG count, BOOL flag) override;
  HRESULT ClearPids() override;
  HRESULT Tune(LONG channel, LONG tuningSpaceType, LONG modulation) override;
  HRESULT GetCurrentTuning(LONG* tuningSpaceType, LONG* channel, LONG* modulation) override;
  HRESULT GetSupportedModulations(LONG* modulations) override;
  HRESULT GetCurrentTuningMark(LONG* tuningSpaceType, LONG* channel, LONG* modulation,
                               ULONG* tuneCount) override;

  // ISpecifyPropertyPages
  HRESULT GetPages(CAUUID* pages) override;

 private:
  struct TuneArgs {
    LONG channel = 0;
    LONG type = 0;
    LONG modulation = 0;
  };
  // What a tuner registration keeps: the filter and its control nodes.
  struct Tuner {
    ComPtr<IUnknown> filter;  // the device filter (its IBDA_Topology answers)
    ComPtr<IBDA_DeviceControl> control;
    ComPtr<IBDA_FrequencyFilter> frequency;
    ComPtr<IBDA_LNBInfo> lnb;
    ComPtr<IUnknown> vsb, qam, cofdm;  // demodulator nodes, null when absent
    ComPtr<IBDA_PidFilter> pidMode;
    ComPtr<IMPEG2PIDMap> pidMap;
    ComPtr<IBDA_TuneCount> tunes;  // null when the tuner counts no tunes
  };

  HRESULT RegisterTuner(IUnknown* filter);
  HRESULT RegisterDemultiplexer(IMpeg2Demultiplexer* demux);
  HRESULT TuneDevice(const TuneArgs& args);
  HRESULT SetDemodulator(tuning::ModulationMask mask);
  // Adds PIDs to the tuner's PID filter: mode 0 and nothing mapped when
  // `passAll`, else mode -1 and the PIDs mapped as transport packets.
  HRESULT AddToPidFilter(std::vector<ULONG> pids, bool passAll);
  void SetCurrentTuning(LONG type, LONG channel, LONG modulation, ULONG tuneCount = 0);

  CCritSec lock_;
  std::unique_ptr<CNetworkProviderPin> pin_;

  std::optional<Tuner> tuner_;
  ComPtr<IMPEG2PIDMap> sectionMap_, videoMap_, audioMap_;

  std::mutex tuningMutex_;  // the current tuning only; never held across device calls
  LONG currentType_ = 0;
  LONG currentChannel_ = 0;
  LONG currentModulation_ = 0;
  ULONG currentTuneCount_ = 0;

  std::optional<TuneArgs> pending_;
  LONG videoPid_ = kNoPid, audioPid_ = kNoPid, pcrPid_ = kNoPid;
  LONG settings_[3] = {0, 0, 0};
};

}  // namespace filters
