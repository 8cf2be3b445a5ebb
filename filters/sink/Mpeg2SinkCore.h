// The MPEG-2 programme-stream writer behind the "MPEG-2 Sink" filter: it
// multiplexes video, AC-3 audio and programme text samples into 2048-byte
// packs and writes them into chunk files indexed by a ".lst" list file, or
// into a recording file named by the caller.
//
// The filter's pins hand every sample to Receive; SetFileName, GetCurFile,
// Stop and the end-of-stream count are the filter operations of the same
// names. All operations are serialised by one internal lock, which stands for
// the filter lock and the three receive locks (taken in that order by the
// filter, so the core's lock is always the innermost).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "filters/sink/ChunkList.h"
#include "filters/sink/FileSystem.h"
#include "filters/sink/Packetiser.h"
#include "filters/sink/PinIntake.h"

namespace filters {

// The filter's running state as the pins see it on each call.
struct FilterClock {
  bool running = false;
  std::int64_t streamTime = 0;  // 100 ns, valid while running
};

// Allocator requirements of the video and audio pins (the text pin states none).
inline constexpr long kInputBuffers = 2000;
inline constexpr long kInputBufferSize = 4096;

// What SetFileName did; the filter maps it to its interface's result codes.
enum class FileNameResult {
  kOpened,        // the file is created and open
  kNullName,      // no name given
  kNameTooLong,   // the name (or a chunk name made from it) does not fit 260 units
  kNoPath,        // the new entry has no path
  kSecondList,    // a second ".lst" name: refused, nothing changes
  kCreateFailed,  // the file could not be created (a recording's: the buffer goes on)
};
inline constexpr std::int64_t kChunkDuration = 9'000'000'000;  // 15 minutes in 100 ns
inline constexpr std::u16string_view kDefaultListName = u"MPEG-2 Sink.lst";

struct SinkStats {
  std::uint64_t packsWritten = 0;  // data packs, not counting file-start packs
  std::uint64_t packsLost = 0;     // packs that could not be written (full disk, no file)
  // Packs lost since the caller-named file now open (a recording) was
  // opened; 0 while the buffer writes its own chunks.
  std::uint64_t recordingPacksLost = 0;
  std::uint64_t listWriteFailures = 0;
  std::uint64_t filesCreated = 0;
  std::uint64_t fileCreateFailures = 0;
  IntakeStats video, audio, text;
};

class Mpeg2SinkCore {
 public:
  explicit Mpeg2SinkCore(FileSystem& fileSystem = SystemFileSystem());
  ~Mpeg2SinkCore();  // closes the current file (with its end code)
  Mpeg2SinkCore(const Mpeg2SinkCore&) = delete;
  Mpeg2SinkCore& operator=(const Mpeg2SinkCore&) = delete;

  // One sample on one pin: intake, packetising of any closed group, then the
  // 15-minute chunk rollover. Write failures are counted, never returned. A
  // chunk of the buffer tries every group (the next may fit again); a
  // recording takes nothing more once a group could not be written, so that
  // it ends on its last whole group instead of going on after a gap.
  void Receive(PinType pin, const InputSample& sample, const FilterClock& clock);

  // IFileSinkFilter::SetFileName.
  FileNameResult SetFileName(const char16_t* name, const FilterClock& clock);

  // IFileSinkFilter::GetCurFile: the ".lst" base path if one was given, else
  // the current file's path (empty when none).
  std::u16string GetCurFile() const;

  // The stream time after which an automatic chunk rolls over to the next
  // (kChunkDuration unless a buffer of another depth asks for more or less).
  void SetChunkDuration(std::int64_t duration);
  // How many automatic chunks stay live (kMaxLiveChunks unless a buffer of
  // another depth asks for more); takes effect with the next list.
  void SetLiveChunks(int chunks);

  // Gathers whole groups into writes of about `bytes` (0, the default: every
  // group is written at once). For files nobody reads while they grow, where
  // fewer, larger writes save system calls; the file and the pack counts
  // catch up at each write and when the file closes. A write that fails is
  // cut back and retried group by group, so the file still ends on whole
  // groups (a recording on its last whole one) and every pack is counted as
  // written or lost.
  void SetWriteBatch(std::size_t bytes);

  // Stop: closes the current file (program end code first).
  void Stop();

  // Pin inactive: releases the pin's held samples.
  void ReleasePin(PinType pin);

  // End-of-stream accounting: true when all three pins have reported.
  bool EndOfStream();
  void ResetEndOfStream();

  // Observers for tests and diagnostics.
  ChunkList List() const;
  std::u16string ListPath() const;
  std::u16string CurrentPath() const;
  bool FileOpen() const;
  std::int64_t RunningScr() const;
  SinkStats Stats() const;
  std::size_t HeldSamples(PinType pin) const;
  std::size_t HeldBytes(PinType pin) const;

 private:
  PinIntake& Pin(PinType pin) { return pins_[static_cast<std::size_t>(pin) - 1]; }
  FileNameResult SetFileNameLocked(std::u16string_view name, const FilterClock& clock);
  // Adds an entry to the ring (removing the oldest when the ring is full);
  // `path` empty means an automatic name. False when the name would not fit.
  bool AddEntry(std::u16string_view path, bool keep);
  // Opens the newest entry's file.
  FileNameResult OpenNewest(const FilterClock& clock);
  // Takes back the newest entry (its file could not be made).
  void DropNewestEntry();
  void WriteList();
  void CloseCurrentFile();
  bool WriteEndCode();
  void WriteGroup(const SampleGroup& group);
  // Writes one group's packs; a failure cuts the file back and loses them.
  bool WriteWholeGroup(std::span<const std::uint8_t> bytes, std::size_t packs);
  // Writes the gathered groups (see SetWriteBatch).
  void FlushPending();
  void LosePacks(std::size_t packs);

  mutable std::mutex lock_;
  FileSystem& fs_;
  std::array<PinIntake, 3> pins_;
  Packetiser packetiser_;
  Packetiser::Output output_;

  ChunkList list_;
  int liveChunks_ = kMaxLiveChunks;
  bool listOpen_ = false;
  std::u16string listPath_;
  std::u16string basePath_;

  std::unique_ptr<WriteFile> file_;
  std::u16string currentPath_;
  std::uint64_t fileBytes_ = 0;  // bytes known to be in the file
  bool headerWritten_ = false;
  std::uint64_t lastGroupStart_ = 0;  // where the last whole group begins (0: none yet)
  bool fileKept_ = false;             // the file is a caller's (a recording)
  bool fileFull_ = false;             // a group of the recording could not be written
  std::int64_t fileStartTime_ = 0;
  std::int64_t chunkDuration_ = kChunkDuration;
  // Gathered groups not yet written, with each group's size and pack count.
  struct PendingGroup {
    std::size_t bytes = 0;
    std::size_t packs = 0;
  };
  std::size_t writeBatch_ = 0;
  std::vector<std::uint8_t> pending_;
  std::vector<PendingGroup> pendingGroups_;
  int endOfStreamCount_ = 0;
  SinkStats stats_;
};

}  // namespace filters
