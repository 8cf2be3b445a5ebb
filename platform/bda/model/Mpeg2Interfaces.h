// PID maps and the demultiplexer's pin creation: IMPEG2PIDMap (map, unmap and
// enumerate PIDs with the content they are delivered as), IEnumPIDMap and
// IMpeg2Demultiplexer (output pins created on request). The tuner's PID-filter
// node maps its PIDs through IMPEG2PIDMap too.
#pragma once

#include "platform/media/Interfaces.h"

inline constexpr IID IID_IMPEG2PIDMap = com::GuidOf("AFB6C2A1-2C41-11D3-8A60-0000F81E0E4A");
inline constexpr IID IID_IEnumPIDMap = com::GuidOf("AFB6C2A2-2C41-11D3-8A60-0000F81E0E4A");
inline constexpr IID IID_IMpeg2Demultiplexer = com::GuidOf("436EEE9C-264F-4242-90E1-4E330C107512");

// How the packets of a mapped PID are delivered.
enum MEDIA_SAMPLE_CONTENT : ULONG {
  MEDIA_TRANSPORT_PACKET = 0,
  MEDIA_ELEMENTARY_STREAM = 1,
  MEDIA_MPEG2_PSI = 2,
  MEDIA_TRANSPORT_PAYLOAD = 3,
};

struct PID_MAP {
  ULONG ulPID = 0;
  MEDIA_SAMPLE_CONTENT MediaSampleContent = MEDIA_TRANSPORT_PACKET;
};

inline constexpr ULONG kMaxTransportPid = 0x1FFF;

struct IEnumPIDMap : virtual IUnknown {
  static constexpr IID kIid = IID_IEnumPIDMap;
  virtual HRESULT Next(ULONG count, PID_MAP* maps, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumPIDMap** clone) = 0;
};

struct IMPEG2PIDMap : virtual IUnknown {
  static constexpr IID kIid = IID_IMPEG2PIDMap;
  // A PID above 0x1FFF refuses the whole call with E_INVALIDARG.
  virtual HRESULT MapPID(ULONG count, ULONG* pids, MEDIA_SAMPLE_CONTENT content) = 0;
  virtual HRESULT UnmapPID(ULONG count, ULONG* pids) = 0;
  virtual HRESULT EnumPIDMap(IEnumPIDMap** maps) = 0;
};

struct IMpeg2Demultiplexer : virtual IUnknown {
  static constexpr IID kIid = IID_IMpeg2Demultiplexer;
  virtual HRESULT CreateOutputPin(AM_MEDIA_TYPE* mt, LPWSTR name, IPin** pin) = 0;
  virtual HRESULT SetOutputPinMediaType(LPWSTR name, AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT DeleteOutputPin(LPWSTR name) = 0;
};
