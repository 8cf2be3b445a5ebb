// The section buffer's own interface: the queue of received table sections
// that the once-a-second poll empties, and the program-table operations the
// filter declares but never fills (they answer as an empty table does).
#pragma once

#include "platform/com/GuidLiteral.h"
#include "platform/com/HResult.h"
#include "platform/com/Types.h"
#include "platform/com/Unknown.h"

inline constexpr IID IID_IPacketBuffer = com::GuidOf("24E03DD1-4675-465E-8616-2905933717FF");

struct IPacketBuffer : virtual IUnknown {
  static constexpr IID kIid = IID_IPacketBuffer;

  // Hands out the oldest queued section and removes it from the queue. The
  // bytes are allocated with CoTaskMemAlloc and belong to the caller, who frees
  // them with CoTaskMemFree. Fails (E_FAIL) and leaves every output alone when
  // the queue is empty.
  virtual HRESULT GetNextSection(BYTE** section, LONG* length, LONG* tuningSpaceType,
                                 LONG* physicalChannel, LONG* modulation, LONG* program,
                                 LONG* pid) = 0;

  // The current program: always -1 (the filter follows no program).
  virtual HRESULT GetCurrentProgram(LONG* program) = 0;
  // PMT version of the current program: there is none, so S_FALSE and the
  // output is left unchanged.
  virtual HRESULT GetCurrentPmtVersion(LONG* version) = 0;
  // Prints the program table to standard output (only its heading: it is empty).
  virtual HRESULT PrintProgramTable() = 0;
  // Empties the program table (nothing to do).
  virtual HRESULT ResetProgramTable() = 0;

  // Lookups in the program table by index and by program number. The table is
  // empty, so each reports E_INVALIDARG and leaves its output alone.
  virtual HRESULT GetProgramNumber(LONG index, LONG* programNumber) = 0;
  virtual HRESULT GetPmtPidByIndex(LONG index, LONG* pid) = 0;
  virtual HRESULT GetPmtPid(LONG programNumber, LONG* pid) = 0;
  virtual HRESULT GetPmtVersion(LONG programNumber, LONG* version) = 0;
  virtual HRESULT GetStreamCount(LONG programNumber, LONG* count) = 0;
  virtual HRESULT GetStreamType(LONG programNumber, LONG index, LONG* streamType) = 0;
  virtual HRESULT GetStreamPid(LONG programNumber, LONG index, LONG* pid) = 0;
};
