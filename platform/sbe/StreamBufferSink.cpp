#include "platform/sbe/StreamBufferSink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "common/Utf16.h"
#include "filters/sink/ChunkList.h"
#include "platform/sbe/BufferSettings.h"
#include "platform/sbe/StreamBufferRecorder.h"

namespace sbe {
namespace {

constexpr std::int64_t kUnitsPerSecond = 10'000'000;

// Creates `path` empty, failing when it exists.
HRESULT CreateExclusive(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd >= 0) {
    ::close(fd);
    return S_OK;
  }
  if (errno == EEXIST) return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
  return errno == EACCES || errno == EPERM || errno == EROFS ? E_ACCESSDENIED : E_FAIL;
}

// Removes the files of the buffer `stem` names in `folder`: its list and chunks.
void RemoveBufferFiles(const std::filesystem::path& folder, const std::string& stem) {
  std::error_code ec;
  std::vector<std::filesystem::path> doomed;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.path().filename().string().starts_with(stem)) doomed.push_back(entry.path());
  }
  for (const auto& path : doomed)
    std::filesystem::remove(path, ec);
}

}  // namespace

std::filesystem::path ListOfStub(const std::filesystem::path& stub) {
  std::ifstream in(stub);
  std::string line;
  std::getline(in, line);
  return line;
}

CStreamBufferSink::~CStreamBufferSink() {
  if (!list_.empty()) RemoveBufferFiles(list_.parent_path(), list_.stem().string());
}

CUnknown* CStreamBufferSink::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  if (hr) *hr = S_OK;
  return new CStreamBufferSink;
}

HRESULT CStreamBufferSink::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IStreamBufferSink)
    return GetInterface(static_cast<IStreamBufferSink*>(this), object);
  if (iid == IID_IStreamBufferInitialize)
    return GetInterface(static_cast<IStreamBufferInitialize*>(this), object);
  return CMPEG2Sink::NonDelegatingQueryInterface(iid, object);
}

HRESULT CStreamBufferSink::SetHKEY(HKEY key) {
  if (key == nullptr) return E_INVALIDARG;
  key_ = key;
  return S_OK;
}

HRESULT CStreamBufferSink::LockProfile(LPCWSTR stubFile) {
  if (stubFile == nullptr || *stubFile == 0) return E_INVALIDARG;
  if (!stub_.empty()) return E_UNEXPECTED;
  const std::filesystem::path stub(common::ToUtf8(stubFile));
  std::optional<FileLock> lock = FileLock::Shared(stub);
  if (!lock) return E_ACCESSDENIED;

  const BufferSettings settings = BufferSettings::Read(key_);
  const std::filesystem::path folder =
      (settings.directory.empty() ? stub.parent_path() : settings.directory) / kBackingFolder;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::filesystem::path list = folder / (stub.stem().string() + ".lst");

  // Each chunk is a backing file of the configured duration, and the ring
  // keeps as many of them as the configured maximum.
  Core().SetChunkDuration(std::int64_t{settings.fileSeconds} * kUnitsPerSecond);
  Core().SetLiveChunks(static_cast<int>(settings.maximumCount));
  const HRESULT hr = SetFileName(common::FromUtf8(list.string()).c_str(), nullptr);
  if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;

  std::ofstream out(stub, std::ios::trunc);
  out << list.string() << '\n';
  if (!out.flush()) return E_FAIL;
  stub_ = stub;
  list_ = list;
  stubLock_ = std::move(lock);
  return S_OK;
}

HRESULT CStreamBufferSink::IsProfileLocked() {
  return stub_.empty() ? S_FALSE : S_OK;
}

HRESULT CStreamBufferSink::CreateRecorder(LPCWSTR fileName, DWORD recordingType,
                                          IUnknown** recorder) {
  if (fileName == nullptr || recorder == nullptr) return E_POINTER;
  *recorder = nullptr;
  if (recordingType != RECORDING_TYPE_CONTENT) return E_INVALIDARG;
  if (stub_.empty()) return E_UNEXPECTED;
  const std::filesystem::path file(common::ToUtf8(fileName));
  const HRESULT hr = CreateExclusive(file);
  if (FAILED(hr)) return hr;
  ComPtr<CStreamBufferRecorder> object(new CStreamBufferRecorder(this, file));
  return object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(recorder));
}

void CStreamBufferSink::AfterReceive() {
  const filters::SinkStats stats = Core().Stats();
  if (stats.packsLost > packsLost_ && !writeFailing_) {
    writeFailing_ = true;
    NotifyEvent(STREAMBUFFER_EC_WRITE_FAILURE, 0, 0);
  } else if (stats.packsLost == packsLost_ && stats.packsWritten > packsWritten_ && writeFailing_) {
    writeFailing_ = false;
    NotifyEvent(STREAMBUFFER_EC_WRITE_FAILURE_CLEAR, 0, 0);
  }
  packsLost_ = stats.packsLost;
  packsWritten_ = stats.packsWritten;
}

HRESULT CStreamBufferSink::BeginRecording(const CStreamBufferRecorder* recorder,
                                          const std::filesystem::path& file) {
  if (recording_ != nullptr) return E_UNEXPECTED;
  const HRESULT hr = SetFileName(common::FromUtf8(file.string()).c_str(), nullptr);
  if (hr == S_OK) recording_ = recorder;
  return hr;
}

void CStreamBufferSink::EndRecording(const CStreamBufferRecorder* recorder) {
  if (recording_ != recorder) return;
  SetFileName(u"dummy.mpg", nullptr);
  recording_ = nullptr;
}

}  // namespace sbe
