// The network provider's own interface: tuning, the PID maps of the
// demultiplexer's output pins, the tuner's hardware PID filter, and the
// current tuning that the section buffer stamps on every section of it.
//
// Shared by the network provider filter (which implements it) and the section
// buffer and graph manager (which use it). Header only.
#pragma once

#include "platform/com/Guid.h"
#include "platform/com/GuidLiteral.h"
#include "platform/com/HResult.h"
#include "platform/com/Types.h"
#include "platform/com/Unknown.h"

inline constexpr IID IID_INetworkProvider = com::GuidOf("088B58AB-1FE3-4424-9463-C3A648BA1B81");

// Class id of the "Tallowmark Network Provider" filter (CNetworkProvider). The
// section buffer finds the provider among the graph's filters by this id.
inline constexpr CLSID CLSID_NetworkProvider = com::GuidOf("004111E8-D18A-4DFB-A81F-7E87B1AB7DEE");

// Property page of the network provider (ISpecifyPropertyPages).
inline constexpr CLSID CLSID_NetworkProviderPropertyPage =
    com::GuidOf("BA7BC009-C0DD-401E-8F51-06E41906AD5C");

// PID value meaning "not set" for the stream PIDs of MapStreamPids.
inline constexpr LONG kNoPid = -1;

struct INetworkProvider : virtual IUnknown {
  static constexpr IID kIid = IID_INetworkProvider;

  // The three tuning settings, stored as given.
  virtual HRESULT GetSettings(LONG* setting1, LONG* setting2, LONG* setting3) = 0;
  virtual HRESULT PutSettings(LONG setting1, LONG setting2, LONG setting3) = 0;

  // Replaces the video, audio and PCR PIDs: the old ones leave the hardware PID
  // filter and (video, audio) the demultiplexer's video or audio pin; each new
  // PID other than kNoPid is added to the PID filter (with `flag`) and (video,
  // audio) mapped on its pin as an elementary stream. The stream types are
  // ignored.
  virtual HRESULT MapStreamPids(LONG videoStreamType, LONG audioStreamType, LONG videoPid,
                                LONG audioPid, LONG pcrPid, BOOL flag) = 0;

  // Maps `count` PIDs on the demultiplexer's section pin as sections and sets
  // the tuner's PID-filter node: flag clear, mode -1 and the PIDs mapped as
  // transport packets; flag set, mode 0 and nothing mapped.
  virtual HRESULT SetPsiPids(const LONG* pids, LONG count, BOOL flag) = 0;

  // Removes every PID mapped on the section pin and the PID-filter entries.
  virtual HRESULT ClearPids() = 0;

  // Tunes physical channel `channel` of channel map `tuningSpaceType` with the
  // modulation flags `modulation`; while the graph is stopped the tune is kept
  // and carried out when it runs. Indexes outside the map's table: E_INVALIDARG.
  virtual HRESULT Tune(LONG channel, LONG tuningSpaceType, LONG modulation) = 0;

  // The current tuning. The channel reads 0 while a tune is in progress. Called
  // from the streaming thread for every section: must not block on a tune.
  virtual HRESULT GetCurrentTuning(LONG* tuningSpaceType, LONG* channel, LONG* modulation) = 0;

  // The modulation flags the tuner's demodulators support.
  virtual HRESULT GetSupportedModulations(LONG* modulations) = 0;

  // The current tuning as GetCurrentTuning, read together with the tuner's
  // tune count once the tune was committed (0 for a tuner that counts none).
  // Received data whose tune mark (common/TuneMark.h) differs belongs to
  // another tune. Called from the streaming thread: must not block on a tune.
  virtual HRESULT GetCurrentTuningMark(LONG* tuningSpaceType, LONG* channel, LONG* modulation,
                                       ULONG* tuneCount) = 0;
};
