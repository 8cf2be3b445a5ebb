// The programme text source ("Text Source"): a push source whose one output
// pin "Out" delivers the latest now-playing record, encoded, once a second.
//
// The monitor tick calls SetText with the record; the pin's thread waits a
// second, copies the encoded record into a sample stamped with the filter's
// stream time (one second long, a sync point) and delivers it, so a recording
// repeats the record every second. The wait ends at once on any command, so a
// stop never waits out the second. Without a clock (an unpaced graph) the
// samples are stamped 0, 1 s, 2 s, ... from each start.
//
// Locks: the text lock guards the encoded record and the two parameters; the
// streaming thread takes only it, never the filter lock (Stop holds that while
// it waits for the thread).
#pragma once

#include <atomic>
#include <cstdint>

#include <array>
#include <memory>
#include <mutex>

#include "filters/text/TextInterfaces.h"
#include "filters/text/TextRecord.h"
#include "platform/media/Source.h"

class CTextSource;

class CTextSourcePin : public CSourceStream {
 public:
  CTextSourcePin(CTextSource* filter, HRESULT* hr);

  using CSourceStream::GetMediaType;
  HRESULT GetMediaType(CMediaType* mt) override;
  // At least 16 buffers when the allocator proposes none, each 4096 bytes;
  // fails when the allocator grants less.
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT FillBuffer(IMediaSample* sample) override;

  HRESULT Active() override;
  HRESULT Inactive() override;

 protected:
  HRESULT OnThreadCreate() override;
  // One sample a second, the wait broken off by any command.
  HRESULT DoBufferProcessingLoop() override;

 public:
  // Samples delivered since the filter was created (any thread).
  std::uint64_t SamplesDelivered() const { return delivered_.load(); }

  // A tool that moves the stream itself (unpaced, offline) delivers each
  // second's sample from its own streaming thread with DeliverNow, so a
  // second of stream costs no hand-over to the pin's thread, which then only
  // answers commands. Set before the graph runs.
  void SetDrivenByCaller(bool driven) { driven_ = driven; }
  // One sample now, stamped as the pin's thread stamps it; while the pin is
  // active and driven by the caller only. S_OK when delivered.
  HRESULT DeliverNow();

 private:
  // Waits for the next sample's time; true when a command arrived meanwhile.
  bool WaitForNextSample();

  CTextSource* owner_;
  // The filter's clock, taken when the pin becomes active; null without one.
  std::mutex clockMutex_;
  ComPtr<IReferenceClock> clock_;
  REFERENCE_TIME samplesSent_ = 0;  // the delivering thread only
  // The clock time the next sample is due at, once the first wait set it
  // (stream thread only).
  REFERENCE_TIME nextDue_ = 0;
  bool haveDue_ = false;
  CAMEvent wake_;  // the clock's advise for the next sample
  std::atomic<std::uint64_t> delivered_{0};
  std::atomic<bool> driven_{false};
};

class CTextSource : public CSource,
                    public ITextSource,
                    public ISpecifyPropertyPages,
                    public IPersistStream {
 public:
  CTextSource();
  // Writes the parameters back to the profile.
  ~CTextSource() override;

  // For a class-factory table (CLSID_TextSource).
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  CTextSourcePin* OutputPin() { return pin_.get(); }

  // ITextSource
  HRESULT GetParams(LONG* param1, LONG* param2) override;
  HRESULT SetParams(LONG param1, LONG param2) override;
  HRESULT SetText(const tables::NowPlayingInfo* info) override;

  // ISpecifyPropertyPages: the one text source page.
  HRESULT GetPages(CAUUID* pages) override;

  // IPersistStream: the two parameters, 4 bytes each (little-endian).
  HRESULT GetClassID(CLSID* clsid) override { return CSource::GetClassID(clsid); }
  HRESULT IsDirty() override;
  HRESULT Load(IStream* stream) override;
  HRESULT Save(IStream* stream, BOOL clearDirty) override;
  HRESULT GetSizeMax(ULONGLONG* size) override;

  // Copies the encoded record into `out`; the length, or 0 when it does not fit.
  std::size_t CopyRecord(BYTE* out, std::size_t capacity);

 private:
  std::mutex textLock_;
  std::array<std::uint8_t, filters::kTextBufferSize> record_{};
  std::size_t recordLength_ = 0;
  LONG param1_ = 0;
  LONG param2_ = 0;
  bool dirty_ = false;
  std::unique_ptr<CTextSourcePin> pin_;
};

// Makes a text source with one reference for the caller.
HRESULT CreateTextSource(CTextSource** filter);
