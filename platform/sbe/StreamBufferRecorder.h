// The recorder object of the "SB Sink": one content recording into a file the
// sink reserved for it. Start switches the sink's writing into the file, Stop
// (or the last release) back to the live buffer; a recorder released without
// having started takes its empty file away again.
#pragma once

#include <filesystem>

#include "platform/com/ComPtr.h"
#include "platform/sbe/StreamBufferInterfaces.h"

namespace sbe {

class CStreamBufferSink;

class CStreamBufferRecorder : public CUnknown, public IStreamBufferRecordControl {
 public:
  CStreamBufferRecorder(CStreamBufferSink* sink, std::filesystem::path file);
  ~CStreamBufferRecorder() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT Start(REFERENCE_TIME* start) override;
  HRESULT Stop(REFERENCE_TIME stop) override;
  HRESULT GetRecordingStatus(HRESULT* lastError, BOOL* started, BOOL* stopped) override;

  const std::filesystem::path& File() const { return file_; }

 private:
  ComPtr<IStreamBufferSink> sinkReference_;
  CStreamBufferSink* sink_;
  std::filesystem::path file_;
  HRESULT lastError_ = S_OK;
  bool started_ = false;
  bool stopped_ = false;
};

}  // namespace sbe
