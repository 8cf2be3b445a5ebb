// Source filters: CSource holds the output pins (CSourceStream), each of which
// pushes samples from one streaming thread of its own.
//
// The thread starts when the filter pauses (the pin becomes active) and streams
// in paused and running state alike; Stop decommits the allocator (a waiting
// GetDeliveryBuffer fails) and ends the thread. Each pass of the thread's loop
// takes a buffer, calls FillBuffer and delivers the sample:
//   FillBuffer S_OK     -> deliver; a delivery result other than S_OK (the
//                          downstream pin is flushing or failed) stops the loop
//                          until the next command;
//   FillBuffer S_FALSE  -> end of stream downstream, the loop ends;
//   FillBuffer failure  -> end of stream and EC_ERRORABORT, the loop ends.
// After an end of stream a run or pause command does not enter the loop again
// (FillBuffer is not asked again); a stop does, so the usual restart (flush,
// StopThread, PauseThread or RunThread) streams again.
// A derived pin with a loop of its own overrides DoBufferProcessingLoop and
// checks for commands with CheckRequest / WaitForRequest.
#pragma once

#include <vector>

#include "platform/media/BaseFilter.h"
#include "platform/media/OutputPin.h"
#include "platform/media/Sync.h"

class CSourceStream;

class CSource : public CBaseFilter {
 public:
  CSource(const char* objectName, IUnknown* outer, REFCLSID clsid, HRESULT* hr);
  // Deletes the pins still attached.
  ~CSource() override;

  int GetPinCount() override;
  CBasePin* GetPin(int n) override;

  // Pins attach themselves when constructed and detach when deleted.
  HRESULT AddPin(CSourceStream* stream);
  HRESULT RemovePin(CSourceStream* stream);
  // The filter lock (the platform's source names it the state lock).
  CCritSec* pStateLock() { return &stateLock_; }

 protected:
  CCritSec stateLock_;
  std::vector<CSourceStream*> streams_;
};

class CSourceStream : public CBaseOutputPin, public CAMThread {
 public:
  enum Command : DWORD { CMD_INIT, CMD_PAUSE, CMD_RUN, CMD_STOP, CMD_EXIT };

  CSourceStream(const char* objectName, HRESULT* hr, CSource* filter, LPCWSTR pinName);
  ~CSourceStream() override;

  // Fills one sample (data, actual length, times); S_FALSE ends the stream.
  virtual HRESULT FillBuffer(IMediaSample* sample) = 0;

  // The single type of a one-type pin; the indexed form offers it at 0.
  virtual HRESULT GetMediaType(CMediaType* mt);
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  // Accepts exactly the type GetMediaType(CMediaType*) gives.
  HRESULT CheckMediaType(const CMediaType* mt) override;

  HRESULT Active() override;
  HRESULT Inactive() override;
  HRESULT Run(REFERENCE_TIME start) override;

  // Commands to the thread (each waits for the thread's answer).
  HRESULT Init() { return static_cast<HRESULT>(CallWorker(CMD_INIT)); }
  HRESULT Exit() { return static_cast<HRESULT>(CallWorker(CMD_EXIT)); }
  HRESULT PauseThread() { return static_cast<HRESULT>(CallWorker(CMD_PAUSE)); }
  HRESULT RunThread() { return static_cast<HRESULT>(CallWorker(CMD_RUN)); }
  HRESULT StopThread() { return static_cast<HRESULT>(CallWorker(CMD_STOP)); }

 protected:
  DWORD ThreadProc() override;
  virtual HRESULT DoBufferProcessingLoop();
  // Called on the thread: at its start, at its end, and before each streaming loop.
  virtual HRESULT OnThreadCreate() { return S_OK; }
  virtual HRESULT OnThreadDestroy() { return S_OK; }
  virtual HRESULT OnThreadStartPlay() { return S_OK; }

  CSource* source_;

 private:
  // The base loop delivered end of stream; cleared by a stop. Streaming thread only.
  bool endOfStream_ = false;
};
