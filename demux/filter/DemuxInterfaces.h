// The interfaces of the "Demux" filter.
//
// IMpeg2Demultiplexer (on the filter) creates, retypes and deletes output
// pins by name; IMPEG2PIDMap (on each output pin) maps PIDs to the pin as
// elementary stream, table sections or transport packets and enumerates them
// through IEnumPIDMap. They are declared with the tuner model
// (platform/bda/model/Mpeg2Interfaces.h), whose PID-filter node answers
// IMPEG2PIDMap too, and carry the platform's interface ids.
//
// What the filter adds to them:
//   CreateOutputPin       a fixed sample size of at least 4096 bytes in the
//                         type bounds the pin's elementary-stream samples
//                         (default 65536); E_INVALIDARG for an empty name,
//                         VFW_E_DUPLICATE_NAME for a name in use.
//   SetOutputPinMediaType a connected pin is reconnected with the new type,
//                         only while stopped and only when the connected pin
//                         accepts it (VFW_E_NOT_STOPPED, VFW_E_TYPE_NOT_ACCEPTED).
//   DeleteOutputPin       a connected pin is disconnected first, only while
//                         stopped; callers still holding the pin may use it
//                         safely (it maps nothing: E_UNEXPECTED).
//   MapPID                E_INVALIDARG, with nothing changed, when any PID is
//                         above 0x1FFF or the content is unknown; S_FALSE when
//                         every PID was already mapped with that content.
//   UnmapPID              PIDs the pin does not have are ignored; S_FALSE
//                         when nothing was unmapped.
//   EnumPIDMap            a copy of the pin's map in PID order.
//
// IDemuxControl is this program's own addition: the network provider tells
// the demultiplexer about a tune, a graph manager reads the programme clock
// (PCR) to slave a reference clock to the broadcast, and a graph that is fed
// faster than real time turns arrival timing off.
#pragma once

#include <cstdint>

#include "platform/bda/model/Mpeg2Interfaces.h"
#include "platform/com/GuidLiteral.h"
#include "platform/com/Unknown.h"
#include "platform/media/Interfaces.h"

inline constexpr IID IID_IDemuxControl = com::GuidOf("54255555-321D-4EDD-B3EB-BA86EE790ECE");

// Class id of the program's own demultiplexer filter ("Demux").
inline constexpr CLSID CLSID_CorvaneDemux = com::GuidOf("70D9C6C6-60CC-44A6-8FC8-B1DCB1723FCB");

// The programme clock as last seen by the demultiplexer: the stream time
// (100 ns) that the latest PCR maps to, and the graph's stream time when that
// PCR was ingested. A reference clock slaved to the broadcast steers so that
// the difference of the two stays constant; a jump in pcrStreamTime only comes
// with `epochs` counting up (first PCR, splice, tune).
struct DemuxClockState {
  bool valid = false;                  // a PCR was seen since the last activation
  std::uint16_t pcrPid = 0;            // PID of the latest PCR
  std::uint64_t pcr = 0;               // the latest PCR, 27 MHz, as sent
  std::int64_t pcrStreamTime = 0;      // 100 ns stream time it maps to
  bool arrivalValid = false;           // the filter had a clock and was running
  std::int64_t arrivalStreamTime = 0;  // graph stream time (100 ns) at ingest
  std::uint64_t pcrCount = 0;          // PCRs seen since activation
  std::uint32_t epochs = 0;            // times the timeline was re-anchored
  double bitsPerSecond = 0;            // input rate measured from the PCRs (0: unknown)
};

struct IDemuxControl : virtual IUnknown {
  static constexpr IID kIid = IID_IDemuxControl;
  // A tune happened: everything in progress is dropped, the next unit of every
  // stream is marked as a discontinuity, and the clock starts a new epoch that
  // continues the stream time.
  virtual HRESULT NotifyTune() = 0;
  // The PID whose PCRs time the samples (0-0x1FFF), or 0xFFFFFFFF to follow
  // the PMT of the mapped elementary streams (the default).
  virtual HRESULT SetPcrPid(ULONG pid) = 0;
  virtual HRESULT GetClockState(DemuxClockState* state) = 0;
  // TRUE (the default): while the filter runs with a reference clock, sample
  // times follow the arrival of the PCRs on it. FALSE: the stream's own PCR
  // timeline alone times the samples, for input that does not arrive in real
  // time (a capture played as fast as the graph takes it).
  virtual HRESULT SetArrivalTiming(BOOL on) = 0;
};
