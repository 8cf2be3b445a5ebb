// The section buffer ("Tallowmark Section Buffer"): the rendering filter at the
// end of the demultiplexer's section output. Its Receive keeps the table
// sections the program parses, checks their CRC, tags each with the network
// provider's current tuning and the sample's PID, and queues it; the
// user-interface thread empties the queue through IPacketBuffer. A section
// whose tune mark (common/TuneMark.h) is not that of the provider's current
// tuning was received before the tune and is dropped.
//
// Locks: the filter lock before the pin's queue lock (GetNextSection,
// BeginFlush); Receive takes only the queue lock and, while holding it, the
// network provider's own lock (GetCurrentTuningMark).
#pragma once

#include <memory>

#include "filters/provider/INetworkProvider.h"
#include "filters/sectionbuffer/IPacketBuffer.h"
#include "filters/sectionbuffer/SectionQueue.h"
#include "platform/media/BaseFilter.h"
#include "platform/media/InputPin.h"

inline constexpr CLSID CLSID_PsiParserFilter = com::GuidOf("91E6A60C-1E68-40D4-A9AD-079474F0A0E8");

// The buffer size of the sections type (the largest private section is 4096).
inline constexpr ULONG kSectionSampleSize = 65536;

class CPsiParserFilter;

class CPsiParserInputPin : public CRenderedInputPin {
 public:
  CPsiParserInputPin(CPsiParserFilter* filter, CCritSec* filterLock, HRESULT* hr);

  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;

  HRESULT Receive(IMediaSample* sample) override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT EndOfStream() override;

  // Hands out the oldest queued section; false when the queue is empty.
  // Caller holds the filter lock.
  bool TakeSection(filters::QueuedSection* out);
  std::size_t QueuedCount();

 private:
  CCritSec queueLock_;  // the pin's lock: the queue and the provider
  filters::SectionQueue queue_;
  ComPtr<INetworkProvider> provider_;
};

class CPsiParserFilter : public CBaseFilter, public IPacketBuffer {
 public:
  CPsiParserFilter();
  ~CPsiParserFilter() override;

  // For a class-factory table (CLSID_PsiParserFilter).
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;
  CPsiParserInputPin* InputPin() { return pin_.get(); }

  // IMediaFilter: the framework's behaviour under the filter lock.
  HRESULT Stop() override;
  HRESULT Pause() override;

  // IPacketBuffer
  HRESULT GetNextSection(BYTE** section, LONG* length, LONG* tuningSpaceType, LONG* physicalChannel,
                         LONG* modulation, LONG* program, LONG* pid) override;
  HRESULT GetCurrentProgram(LONG* program) override;
  HRESULT GetCurrentPmtVersion(LONG* version) override;
  HRESULT PrintProgramTable() override;
  HRESULT ResetProgramTable() override;
  HRESULT GetProgramNumber(LONG index, LONG* programNumber) override;
  HRESULT GetPmtPidByIndex(LONG index, LONG* pid) override;
  HRESULT GetPmtPid(LONG programNumber, LONG* pid) override;
  HRESULT GetPmtVersion(LONG programNumber, LONG* version) override;
  HRESULT GetStreamCount(LONG programNumber, LONG* count) override;
  HRESULT GetStreamType(LONG programNumber, LONG index, LONG* streamType) override;
  HRESULT GetStreamPid(LONG programNumber, LONG index, LONG* pid) override;

 private:
  CCritSec filterLock_;
  std::unique_ptr<CPsiParserInputPin> pin_;
};
