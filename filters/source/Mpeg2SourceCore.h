// The programme-stream reader behind the "MPEG-2 Source" filter: plays one
// recording file or a chunk list (".lst") whose newest chunk may still be
// growing, seeks by time, reports the available range, and hands out the
// video, AC-3 and text payloads of each pack with their times.
//
// The filter's streaming thread calls ReadNext in a loop; kNoDataYet means
// the newest chunk has no further whole pack yet (wait and call again),
// kEndOfStream that a single file has ended, or that a list has stayed
// damaged while everything it last named was played (Failure() says so). All operations are
// serialised by one internal lock (standing for the filter and seeking locks).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "filters/sink/ChunkList.h"
#include "filters/sink/FileSystem.h"
#include "filters/source/FileReader.h"
#include "platform/com/HResult.h"

namespace filters {

enum class ReadStatus { kData, kNoDataYet, kEndOfStream };

struct SourcePayload {
  PinType stream = PinType::kVideo;
  bool hasPts = false;
  std::int64_t pts27 = 0;   // extended across the 33-bit wrap
  std::int64_t pts100 = 0;  // the same in 100 ns (sample start = pts100 - current position)
  std::span<const std::uint8_t> bytes;  // into SourceRead::storage
};

// One pack's worth of output. The payload bytes are copied into `storage`,
// which belongs to the caller: they stay valid until the next ReadNext with
// this object, whatever other threads do to the source meanwhile.
struct SourceRead {
  std::int64_t scr27 = -1;              // the pack's SCR, extended
  std::vector<SourcePayload> payloads;  // at most one per stream for the sink's files
  std::vector<std::uint8_t> storage;
};

struct SourceStats {
  std::uint64_t packsRead = 0;
  std::uint64_t malformed = 0;          // headers skipped or cut short
  std::uint64_t listCopiesIgnored = 0;  // inconsistent list copies seen while refreshing
};

inline constexpr std::uint32_t kSeekingCapabilities = 0x37;
// The end of a list that stayed damaged (the system's "file corrupt", 1392).
inline constexpr HRESULT kDamagedList = HRESULT_FROM_WIN32(1392);
inline constexpr std::int64_t kUnboundedTime = 0x3FFFFFFFFFFFFFFF;

class Mpeg2SourceCore {
 public:
  explicit Mpeg2SourceCore(FileSystem& fileSystem = SystemFileSystem());

  // IFileSourceFilter::Load. A ".lst" path selects list mode. Returns S_OK;
  // E_POINTER for no path; HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when the
  // file or list cannot be opened; E_FAIL for a list file that is not a
  // consistent list (the source then holds no entries and ends at once).
  HRESULT Load(const char16_t* path);
  std::u16string GetCurFile() const;

  // IMPEG2Source: stops later list loading and plays the loaded path as one file.
  HRESULT UseSingleFile(std::uint32_t value);
  bool ListMode() const;

  // Re-reads the list file (list mode): S_OK, S_FALSE when the copy was
  // inconsistent and the previous one is kept, E_HANDLE when it cannot be read.
  HRESULT RefreshList();

  // Positions playback at `position` (100 ns, file time); stores it as the
  // current position.
  HRESULT Seek(std::int64_t position);

  // IMediaSeeking::GetAvailable (100 ns). Both 0 while nothing is measured.
  HRESULT GetAvailable(std::int64_t& earliest, std::int64_t& latest);

  ReadStatus ReadNext(SourceRead& out);

  // Why the stream ended before its end: kDamagedList for a list that stayed
  // damaged; S_OK otherwise.
  HRESULT Failure() const;

  // Seeking values kept for the filter.
  HRESULT SetRate(double rate);  // <= 0: E_FAIL and the rate returns to 1.0
  double Rate() const;
  HRESULT SetPositions(std::int64_t current, std::int64_t stop);  // then Seek(current)
  std::int64_t CurrentPosition() const;
  std::int64_t StopPosition() const;
  std::int64_t Duration() const;

  SourceStats Stats() const;
  // List mode: the entry being played (-1 when none).
  std::int32_t CurrentEntry() const;

 private:
  HRESULT RefreshLocked();
  HRESULT SeekLocked(std::int64_t position);
  FileReader* Reader(std::int32_t index);
  void MeasureAll();

  mutable std::mutex lock_;
  FileSystem& fs_;
  bool listMode_ = false;
  bool noListLoading_ = false;
  std::u16string path_;
  std::unique_ptr<FileReader> single_;
  ChunkList list_;
  std::vector<std::uint8_t> listBytes_;  // the copy list_ was read from
  std::vector<std::uint8_t> readBuffer_;
  bool haveList_ = false;
  // One per slot of the list's ring.
  std::vector<std::unique_ptr<FileReader>> readers_;
  std::vector<std::int32_t> readerEntry_;  // entry index each reader serves
  std::int32_t current_ = -1;
  unsigned packsSinceRefresh_ = 0;
  unsigned damagedCopiesInARow_ = 0;
  HRESULT failure_ = S_OK;

  double rate_ = 1.0;
  std::int64_t position_ = 0;
  std::int64_t stop_ = kUnboundedTime;
  std::int64_t duration_ = kUnboundedTime;
  ParsedPack pack_;
  SourceStats stats_;
};

}  // namespace filters
