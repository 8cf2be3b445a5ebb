// CLSID_StreamBufferSink, the "SB Sink": the live buffer of a buffered tuner
// graph and the recorder objects that copy it into ".dvr-ms" files.
//
// The buffer and the recordings are MPEG-2 programme streams written by the
// "MPEG-2 Sink" code this filter extends, so any player of programme streams
// (ffmpeg among them) plays a ".dvr-ms" file. LockProfile starts the buffer:
// a chunk list "<stub name>.lst" in "TempSBE" of the configured directory,
// whose chunks ("<stub name>_NNNN.mpg") are the backing files; the stub file
// names the list, so a source given the stub plays the live buffer. The list
// keeps the configured maximum count of backing files, each as long as the
// configured duration, so the buffer reaches as far back as asked.
// Write failures and their end are sent to the graph as the engine's events.
#pragma once

#include <filesystem>
#include <optional>

#include "filters/sink/Mpeg2Sink.h"
#include "platform/sbe/StreamBufferInterfaces.h"
#include "platform/sbe/StubFiles.h"

namespace sbe {

class CStreamBufferRecorder;

class CStreamBufferSink : public CMPEG2Sink,
                          public IStreamBufferSink,
                          public IStreamBufferInitialize {
 public:
  // `fileSystem` must outlive the filter; tests pass one that runs out of space.
  explicit CStreamBufferSink(filters::FileSystem& fileSystem = filters::SystemFileSystem())
      : CMPEG2Sink(fileSystem) {}
  ~CStreamBufferSink() override;

  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT SetHKEY(HKEY key) override;
  HRESULT LockProfile(LPCWSTR stubFile) override;
  HRESULT CreateRecorder(LPCWSTR fileName, DWORD recordingType, IUnknown** recorder) override;
  HRESULT IsProfileLocked() override;

  // Reports STREAMBUFFER_EC_WRITE_FAILURE when packs could not be written
  // (a full disk), and STREAMBUFFER_EC_WRITE_FAILURE_CLEAR once writing
  // succeeds again.
  void AfterReceive() override;

  // The stub of the running buffer and its chunk list (empty before LockProfile).
  const std::filesystem::path& Stub() const { return stub_; }
  const std::filesystem::path& List() const { return list_; }

  // For the recorders: one records at a time; the sink writes into its file
  // until it ends, then goes back to the buffer's own chunks.
  HRESULT BeginRecording(const CStreamBufferRecorder* recorder, const std::filesystem::path& file);
  void EndRecording(const CStreamBufferRecorder* recorder);

 private:
  HKEY key_ = nullptr;
  std::filesystem::path stub_;
  std::filesystem::path list_;
  std::optional<FileLock> stubLock_;
  const CStreamBufferRecorder* recording_ = nullptr;
  // Under the receive locks.
  std::uint64_t packsWritten_ = 0;
  std::uint64_t packsLost_ = 0;
  bool writeFailing_ = false;
};

// Reads the chunk list a stub file names; empty when it names none.
std::filesystem::path ListOfStub(const std::filesystem::path& stub);

}  // namespace sbe
