// The transport dump ("TS Sink"): a renderer that writes the bytes of every
// sample it receives, exactly and in order, to the file named through
// IFileSinkFilter. On a full disk it stops itself (the rest of the graph runs
// on), posts EC_DUMP_DISK_FULL to the graph, and writes nothing more until it
// gets a new file name and is started again.
//
// CDumpFilter is the object the graph holds; CDump, inside it, is the file
// side (name, file, disk-full flag, receive lock); CDumpInputPin its "Input".
// Locks: the filter lock before the receive lock (SetFileName); Receive takes
// only the receive lock.
#pragma once

#include <memory>
#include <string>

#include "filters/dump/DumpFile.h"
#include "platform/media/BaseFilter.h"
#include "platform/media/InputPin.h"
#include "platform/media/Seeking.h"

inline constexpr CLSID CLSID_Dump = com::GuidOf("36A5F770-FE4C-11CE-A8ED-00AA002FEAB5");

// The file name field holds 260 units with its terminator.
inline constexpr std::size_t kMaxDumpPath = 260;

// The graph event of a full disk, posted when the dump stops itself: param1
// is HRESULT_FROM_WIN32(ERROR_DISK_FULL), param2 is 0. The code lies in the
// range the framework leaves to a program's own events (EC_USER and above);
// the program's graph-event handler tells the user (graph/events).
inline constexpr LONG EC_DUMP_DISK_FULL = EC_USER + 1;

class CDumpFilter;

class CDump {
 public:
  // Caller holds the filter lock.
  HRESULT SetFileName(LPCWSTR name);
  HRESULT GetCurFile(LPWSTR* name, AM_MEDIA_TYPE* mt);

  CCritSec* ReceiveLock() { return &receiveLock_; }
  // The rest runs under the receive lock.
  bool CanWrite() const { return file_.IsOpen() && !diskFull_; }
  std::uint32_t Write(std::span<const std::uint8_t> bytes) { return file_.Write(bytes); }
  void SetDiskFull() { diskFull_ = true; }
  bool DiskFull() const { return diskFull_; }
  void SetLastStart(REFERENCE_TIME start) { lastStart_ = start; }
  REFERENCE_TIME LastStart() const { return lastStart_; }

 private:
  CCritSec receiveLock_;
  std::u16string name_;
  bool hasName_ = false;
  filters::DumpFile file_;
  bool diskFull_ = false;
  REFERENCE_TIME lastStart_ = 0;
};

class CDumpInputPin : public CRenderedInputPin {
 public:
  CDumpInputPin(CDumpFilter* filter, CCritSec* lock, HRESULT* hr);

  HRESULT CheckMediaType(const CMediaType* mt) override;  // any type
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  // A read-only allocator belongs to an upstream pin that shares it (a tee):
  // stopping this filter alone must not take it from the others.
  HRESULT Inactive() override;

 private:
  CDumpFilter* owner_;
};

class CDumpFilter : public CBaseFilter, public IFileSinkFilter {
 public:
  CDumpFilter();
  ~CDumpFilter() override;

  // For a class-factory table (CLSID_Dump).
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? pin_.get() : nullptr; }
  CDumpInputPin* InputPin() { return pin_.get(); }
  CDump& Dump() { return dump_; }

  // IFileSinkFilter
  HRESULT SetFileName(LPCWSTR name, const AM_MEDIA_TYPE* mt) override;
  HRESULT GetCurFile(LPWSTR* name, AM_MEDIA_TYPE* mt) override;

 private:
  CCritSec lock_;
  CDump dump_;
  std::unique_ptr<CDumpInputPin> pin_;
  ComPtr<CPosPassThru> seeking_;
};
