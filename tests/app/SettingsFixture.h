// Shared pieces of the settings-file tests: a scratch folder, an independent
// chunk writer, and records to fill the file with.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "app/SettingsDefaults.h"
#include "app/SettingsFile.h"
#include "common/Crc32.h"
#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "tests/support/Bytes.h"
#include "tests/support/TempFolder.h"

namespace app::test {

using Bytes = std::vector<std::uint8_t>;

inline void Le16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Le32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A chunk as the file format defines it, written without the program's code.
// A tag shorter than four letters ("OPT") is padded with zero bytes.
inline Bytes Chunk(std::string_view tag, const Bytes& payload) {
  Bytes b(4, 0);
  std::copy(tag.begin(), tag.end(), b.begin());
  Le32(b, 0xDEADBEEF);
  Le32(b, static_cast<std::uint32_t>(payload.size()));
  Le32(b, 0);
  b.insert(b.end(), payload.begin(), payload.end());
  Le32(b, common::Crc32Mpeg2(b));
  return b;
}

template <class T>
Bytes RecordBytes(const T& record) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&record);
  return Bytes(p, p + sizeof record);
}

inline void CountedString(Bytes& b, std::u16string_view s) {
  Le16(b, static_cast<std::uint16_t>(s.size() + 1));
  for (char16_t c : s)
    Le16(b, c);
  Le16(b, 0);
}

inline tuning::ChannelRecord Channel(std::uint8_t physical, std::uint16_t major,
                                     std::uint16_t minor, std::u16string_view name) {
  tuning::ChannelRecord r;
  common::SetField(r.name, name);
  r.locator = tuning::ChannelLocator::Make(physical, minor, major, 0, 1);
  r.enabled = 1;
  r.videoPid = 0x31;
  r.audioPid = 0x34;
  r.pcrPid = 0x31;
  r.sourceId = static_cast<std::uint16_t>(major * 10 + minor);
  return r;
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = folder_.Path() / kSettingsFileName;
    Reset();
  }

  // A fresh program state with the defaults set.
  void Reset() {
    manager_ = std::make_unique<TunerManager>();
    channels_ = std::make_unique<tuning::ChannelList>();
    SetDefaults(manager_->settings);
    file_ = std::make_unique<SettingsFile>(path_, *manager_, *channels_);
  }

  void WriteRaw(const Bytes& bytes) { testsupport::WriteBytes(path_, bytes); }
  Bytes ReadRaw(const std::filesystem::path& p) const { return testsupport::ReadBytes(p); }

  // An "OPT" payload with the given tuners and decoders and default options.
  static Bytes OptPayload(const std::vector<std::pair<std::u16string, std::u16string>>& tuners,
                          std::u16string_view video, std::u16string_view audio,
                          const Settings& settings) {
    Bytes b;
    Le32(b, static_cast<std::uint32_t>(tuners.size()));
    for (const auto& [name, path] : tuners) {
      CountedString(b, name);
      CountedString(b, path);
      const Bytes locator = RecordBytes(tuning::ChannelLocator::Empty(2));
      b.insert(b.end(), locator.begin(), locator.end());
    }
    CountedString(b, video);
    CountedString(b, audio);
    const Bytes s = RecordBytes(settings);
    b.insert(b.end(), s.begin(), s.end());
    return b;
  }

  std::vector<std::string> ChannelNames() {
    std::vector<std::string> names;
    auto lock = channels_->Acquire();
    for (auto* n = channels_->First(); n; n = channels_->Next()) {
      names.push_back(common::ToUtf8(common::FieldView(n->record.name)));
    }
    return names;
  }

  testsupport::TempFolder folder_{"corvane-settings"};
  std::filesystem::path path_;
  std::unique_ptr<TunerManager> manager_;
  std::unique_ptr<tuning::ChannelList> channels_;
  std::unique_ptr<SettingsFile> file_;
  common::ErrorCapture errors_;
};

}  // namespace app::test
