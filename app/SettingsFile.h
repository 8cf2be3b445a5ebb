// "Settings v2.bin": the channel list, options, tuners, decoders and timers as
// a sequence of self-checking chunks (tag, magic, length, reserved, payload,
// CRC-32/MPEG-2 over header and payload), ended by an "END " chunk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/TunerManager.h"
#include "tuning/ChannelList.h"

namespace app {

inline constexpr const char* kSettingsFileName = "Settings v2.bin";
inline constexpr const char* kDamagedSuffix = ".damaged";
inline constexpr std::uint32_t kChunkMagic = 0xDEADBEEF;

enum class LoadOutcome {
  kMissing,  // the file cannot be opened; nothing changed
  kClean,    // read up to its END chunk
  kDamaged,  // stopped at a damaged chunk; what came before is applied
};

class SettingsFile {
 public:
  SettingsFile(std::filesystem::path path, TunerManager& manager, tuning::ChannelList& channels)
      : path_(std::move(path)), manager_(manager), channels_(channels) {}

  // The current graph's channel, copied into the options by SaveAll.
  using CurrentChannelQuery = std::function<std::optional<tuning::ChannelLocator>()>;
  void SetCurrentChannelQuery(CurrentChannelQuery query) { currentChannel_ = std::move(query); }

  // Reads the file over the defaults: 0 when it was opened (whether or not it
  // read cleanly), 1 when it cannot be opened. A damaged chunk stops the load
  // with "Error reading saved settings\n"; the chunks before it stay applied.
  int LoadSettingsFile();

  // Reads a file image held in memory over the defaults, as LoadSettingsFile
  // reads the file: kClean or kDamaged.
  LoadOutcome Load(std::span<const std::uint8_t> image);
  LoadOutcome lastLoad() const { return lastLoad_; }

  // Writes the whole file: a temporary file flushed and renamed over the old
  // one. When the last load stopped at a damaged chunk, the damaged file is
  // first kept beside it as "Settings v2.bin.damaged". False when nothing
  // could be written (the old file is then untouched).
  bool SaveSettingsFile();
  // Why the last save failed, as the user is told (the file, the system's
  // reason, and that the file saved before is kept); empty after a success.
  const std::string& SaveError() const { return saveError_; }

  // Copies the current graph's channel into the options, then saves.
  bool SaveAll();

  // The file image that SaveSettingsFile writes.
  std::vector<std::uint8_t> Serialize();

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  TunerManager& manager_;
  tuning::ChannelList& channels_;
  CurrentChannelQuery currentChannel_;
  LoadOutcome lastLoad_ = LoadOutcome::kMissing;
  bool keepDamagedCopy_ = false;
  std::string saveError_;
};

}  // namespace app
