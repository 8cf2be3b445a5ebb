#include "SettingsFixture.h"

namespace app {
namespace {

using namespace test;

TEST_F(SettingsTest, MissingFileLeavesEverythingAndReportsNothing) {
  EXPECT_EQ(file_->LoadSettingsFile(), 1);
  EXPECT_EQ(file_->lastLoad(), LoadOutcome::kMissing);
  EXPECT_TRUE(errors_.Messages().empty());
}

TEST_F(SettingsTest, FileWithOnlyAnEndChunkKeepsTheDefaults) {
  WriteRaw(Chunk("END ", {}));
  Settings defaults;
  SetDefaults(defaults);
  EXPECT_EQ(file_->LoadSettingsFile(), 0);
  EXPECT_EQ(file_->lastLoad(), LoadOutcome::kClean);
  EXPECT_EQ(std::memcmp(&manager_->settings, &defaults, sizeof defaults), 0);
  EXPECT_TRUE(errors_.Messages().empty());
}

TEST_F(SettingsTest, DefaultsAreThoseOfAFirstStart) {
  const Settings& s = manager_->settings;
  EXPECT_EQ(s.currentChannel.physical(), 31);
  EXPECT_EQ(s.currentChannel.minor(), 5);
  EXPECT_EQ(s.currentChannel.major(), 5);
  EXPECT_EQ(s.currentChannel.modulation, 1);
  EXPECT_EQ(s.reserved28, 1u);
  EXPECT_EQ(s.volume, 10);
  EXPECT_EQ(s.viewFlags, 7u);
  EXPECT_EQ(s.overscanBottom, 12);
  EXPECT_EQ(s.scanModulation, 1u);
  EXPECT_EQ(s.videoRenderer, 1u);
  // A 533 x 401 client area and its menu bar, centred on a 1920 x 1080 screen.
  EXPECT_EQ(s.windowPlacement.length, 44u);
  EXPECT_EQ(s.windowPlacement.showCmd, 1u);
  EXPECT_EQ(s.windowPlacement.minX, -1);
  EXPECT_EQ(s.windowPlacement.left, (1920 - 533) / 2);
  EXPECT_EQ(s.windowPlacement.top, (1080 - 421) / 2);
  EXPECT_EQ(s.windowPlacement.right - s.windowPlacement.left, 533);
}

TEST_F(SettingsTest, SaveThenLoadReproducesChannelsOptionsAndTimers) {
  channels_->InsertSorted(Channel(13, 13, 1, u"WXYZ"));
  channels_->InsertSorted(Channel(7, 7, 2, u"KABC-2"));
  channels_->InsertSorted(Channel(7, 7, 1, u"KABC"));
  manager_->tunerCount = 2;
  common::SetField(manager_->tuners[0].friendlyName, u"Virtual Tuner 1");
  common::SetField(manager_->tuners[0].devicePath, u"@device:virtual:tuner1");
  common::SetField(manager_->tuners[1].friendlyName, u"Virtual Tuner 2");
  common::SetField(manager_->videoDecoder, u"@device:sw:mpeg2video");
  manager_->settings.volume = 17;
  common::SetField(manager_->settings.recordFolder, u"/home/u/Videos");
  ASSERT_EQ(manager_->timers.AddTimer(tuning::ChannelLocator::Make(7, 1, 7, 0, 1), 2000000000,
                                      2000003600, u"Evening News", recording::RepeatKind::kOnce,
                                      0x10, 2000000000, 3600, 1),
            recording::AddTimerResult::kAdded);
  manager_->timers[0].recording = 1;
  manager_->timers[0].graphLink = 3;
  ASSERT_TRUE(file_->SaveSettingsFile());
  const Settings saved = manager_->settings;
  const recording::TimerRecord timer = manager_->timers[0];

  Reset();
  ASSERT_EQ(file_->LoadSettingsFile(), 0);
  EXPECT_EQ(file_->lastLoad(), LoadOutcome::kClean);
  EXPECT_EQ(ChannelNames(), (std::vector<std::string>{"KABC", "KABC-2", "WXYZ"}));
  EXPECT_EQ(std::memcmp(&manager_->settings, &saved, sizeof saved), 0);
  ASSERT_EQ(manager_->tunerCount, 2u);
  EXPECT_EQ(common::FieldView(manager_->tuners[0].devicePath), u"@device:virtual:tuner1");
  EXPECT_EQ(common::FieldView(manager_->tuners[1].devicePath), u"");
  EXPECT_EQ(common::FieldView(manager_->videoDecoder), u"@device:sw:mpeg2video");
  ASSERT_EQ(manager_->timers.count(), 1);
  const recording::TimerRecord& loaded = manager_->timers[0];
  EXPECT_EQ(loaded.recording, 0);  // run-time fields are cleared on load
  EXPECT_EQ(loaded.graphLink, 0u);
  EXPECT_EQ(loaded.identity, timer.identity);
  EXPECT_EQ(common::FieldView(loaded.name), u"Evening News");
  EXPECT_FALSE(std::filesystem::exists(path_.string() + ".tmp"));
}

TEST_F(SettingsTest, ZeroTunersAndEmptyDecoderNamesAreWrittenBackByteForByte) {
  const Bytes opt = OptPayload({}, u"", u"", manager_->settings);
  ASSERT_EQ(opt.size(), 4u + 4u + 4u + sizeof(Settings));
  const Bytes original = [&] {
    Bytes b = Chunk("OPT", opt);
    const Bytes end = Chunk("END ", {});
    b.insert(b.end(), end.begin(), end.end());
    return b;
  }();
  WriteRaw(original);
  ASSERT_EQ(file_->LoadSettingsFile(), 0);
  EXPECT_EQ(file_->Serialize(), original);
}

TEST_F(SettingsTest, AFileFromAnotherWriterComesBackSortedWithoutDuplicates) {
  // Channels out of order, a duplicate key, guide counters set, timers with
  // run-time fields set: everything else must come back byte for byte.
  auto wxyz = Channel(13, 13, 1, u"WXYZ");
  wxyz.guideTableCount = 9;
  auto kabc = Channel(7, 7, 1, u"KABC");
  auto dup = Channel(7, 7, 1, u"DUPLICATE");
  Settings options = manager_->settings;
  options.volume = 3;
  options.reserved80[5] = 0x5A;  // reserved bytes are kept as they are
  recording::TimerRecord timer = recording::NewTimerRecord(1900000000);
  timer.recording = 1;
  timer.graphLink = 0x12345678;
  timer.reserved0[3] = 7;

  Bytes file;
  for (const Bytes& c : {Chunk("CHAN", RecordBytes(wxyz)), Chunk("CHAN", RecordBytes(kabc)),
                         Chunk("CHAN", RecordBytes(dup)),
                         Chunk("OPT", OptPayload({{u"Tuner", u"@device:x"}}, u"v", u"a", options)),
                         Chunk("TIM ", RecordBytes(timer)), Chunk("END ", {})}) {
    file.insert(file.end(), c.begin(), c.end());
  }
  WriteRaw(file);
  ASSERT_EQ(file_->LoadSettingsFile(), 0);
  EXPECT_EQ(file_->lastLoad(), LoadOutcome::kClean);

  wxyz.guideTableCount = 0;
  timer.recording = 0;
  timer.graphLink = 0;
  Bytes expected;
  for (const Bytes& c : {Chunk("CHAN", RecordBytes(kabc)), Chunk("CHAN", RecordBytes(wxyz)),
                         Chunk("OPT", OptPayload({{u"Tuner", u"@device:x"}}, u"v", u"a", options)),
                         Chunk("TIM ", RecordBytes(timer)), Chunk("END ", {})}) {
    expected.insert(expected.end(), c.begin(), c.end());
  }
  EXPECT_EQ(file_->Serialize(), expected);
}

TEST_F(SettingsTest, SurplusTimersBeyond512AreIgnored) {
  Bytes file;
  for (int i = 0; i < 513; ++i) {
    recording::TimerRecord t = recording::NewTimerRecord(1900000000 + i * 7200);
    const Bytes c = Chunk("TIM ", RecordBytes(t));
    file.insert(file.end(), c.begin(), c.end());
  }
  const Bytes end = Chunk("END ", {});
  file.insert(file.end(), end.begin(), end.end());
  WriteRaw(file);
  ASSERT_EQ(file_->LoadSettingsFile(), 0);
  EXPECT_EQ(file_->lastLoad(), LoadOutcome::kClean);
  EXPECT_EQ(manager_->timers.count(), 512);
  EXPECT_TRUE(errors_.Messages().empty());
}

TEST_F(SettingsTest, ClearedChannelListSavesNoChannelChunks) {
  channels_->InsertSorted(Channel(7, 7, 1, u"KABC"));
  channels_->Clear();
  const Bytes image = file_->Serialize();
  EXPECT_EQ(std::string(image.begin(), image.begin() + 4), std::string("OPT\0", 4));
}

TEST_F(SettingsTest, SaveAllTakesTheCurrentGraphsChannel) {
  file_->SetCurrentChannelQuery([] { return tuning::ChannelLocator::Make(9, 3, 9, 0, 1); });
  ASSERT_TRUE(file_->SaveAll());
  EXPECT_EQ(manager_->settings.currentChannel.physical(), 9);
  Reset();
  ASSERT_EQ(file_->LoadSettingsFile(), 0);
  EXPECT_EQ(manager_->settings.currentChannel.minor(), 3);
}

}  // namespace
}  // namespace app
