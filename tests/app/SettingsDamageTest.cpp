// Damaged settings files: the load stops at the damaged chunk with the one
// message, keeps what came before, and the damaged file is kept aside before
// the next save.
#include "SettingsFixture.h"

namespace app {
namespace {

using namespace test;

class SettingsDamageTest : public SettingsTest {
 protected:
  // CHAN 7.1, CHAN 7.2, OPT (volume 3), TIM, END.
  Bytes GoodFile(std::vector<std::size_t>* chunkStarts = nullptr) {
    Settings options = manager_->settings;
    options.volume = 3;
    const Bytes chunks[] = {
        Chunk("CHAN", RecordBytes(Channel(7, 7, 1, u"KABC"))),
        Chunk("CHAN", RecordBytes(Channel(7, 7, 2, u"KABC-2"))),
        Chunk("OPT", OptPayload({}, u"", u"", options)),
        Chunk("TIM ", RecordBytes(recording::NewTimerRecord(1900000000))),
        Chunk("END ", {}),
    };
    Bytes file;
    for (const Bytes& c : chunks) {
      if (chunkStarts) chunkStarts->push_back(file.size());
      file.insert(file.end(), c.begin(), c.end());
    }
    return file;
  }

  void ExpectStoppedWithMessage() {
    EXPECT_EQ(file_->lastLoad(), LoadOutcome::kDamaged);
    ASSERT_EQ(errors_.Messages().size(), 1u);
    EXPECT_EQ(errors_.Messages()[0], "Error reading saved settings\n");
  }
};

TEST_F(SettingsDamageTest, FlippedBitInTheSecondChunkKeepsOnlyTheFirst) {
  std::vector<std::size_t> starts;
  Bytes file = GoodFile(&starts);
  file[starts[1] + 16 + 3] ^= 0x10;  // a payload bit of the second chunk
  WriteRaw(file);
  EXPECT_EQ(file_->LoadSettingsFile(), 0);
  ExpectStoppedWithMessage();
  EXPECT_EQ(ChannelNames(), (std::vector<std::string>{"KABC"}));
  EXPECT_EQ(manager_->settings.volume, 10);  // the OPT chunk after it was not read
  EXPECT_EQ(manager_->timers.count(), 0);
}

TEST_F(SettingsDamageTest, TruncatedFileAndMissingEndKeepWhatCameBefore) {
  std::vector<std::size_t> starts;
  const Bytes file = GoodFile(&starts);
  WriteRaw(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(starts[3] + 100)));
  EXPECT_EQ(file_->LoadSettingsFile(), 0);
  ExpectStoppedWithMessage();
  EXPECT_EQ(ChannelNames().size(), 2u);
  EXPECT_EQ(manager_->settings.volume, 3);

  Reset();
  errors_.Clear();
  WriteRaw(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(starts[4])));
  EXPECT_EQ(file_->LoadSettingsFile(), 0);
  ExpectStoppedWithMessage();
  EXPECT_EQ(manager_->timers.count(), 1);
}

TEST_F(SettingsDamageTest, ChunksThatCheckButLieAboutTheirContentStopTheLoad) {
  struct Case {
    const char* what;
    Bytes chunk;
  };
  const Settings& s = manager_->settings;
  Bytes seventeenTuners = OptPayload({}, u"", u"", s);
  seventeenTuners[0] = 17;
  Bytes unterminated;
  Le32(unterminated, 1);
  Le16(unterminated, 2);
  Le16(unterminated, u'A');
  Le16(unterminated, u'B');  // the count's last unit is not a zero
  Bytes shortOptions = OptPayload({}, u"", u"", s);
  shortOptions.pop_back();
  Bytes stringPastPayload;
  Le32(stringPastPayload, 0);
  Le16(stringPastPayload, 4000);
  const Bytes chanBytes = RecordBytes(Channel(9, 9, 1, u"X"));
  const Case cases[] = {
      {"17 tuners", Chunk("OPT", seventeenTuners)},
      {"string without terminator", Chunk("OPT", unterminated)},
      {"options record past the payload", Chunk("OPT", shortOptions)},
      {"string past the payload", Chunk("OPT", stringPastPayload)},
      {"CHAN of 111 bytes", Chunk("CHAN", Bytes(chanBytes.begin(), chanBytes.end() - 1))},
      {"TIM of 641 bytes", Chunk("TIM ", Bytes(641, 0))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    errors_.Clear();
    std::vector<std::size_t> starts;
    Bytes file = GoodFile(&starts);
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(starts[1]), c.chunk.begin(),
                c.chunk.end());
    WriteRaw(file);
    EXPECT_EQ(file_->LoadSettingsFile(), 0);
    ExpectStoppedWithMessage();
    EXPECT_EQ(ChannelNames(), (std::vector<std::string>{"KABC"}));
    EXPECT_EQ(manager_->settings.volume, 10);
    EXPECT_EQ(manager_->tunerCount, 0u);
  }
}

TEST_F(SettingsDamageTest, AGiganticLengthIsNeitherAllocatedNorTrusted) {
  Bytes header = {'O', 'P', 'T', 0};
  Le32(header, 0xDEADBEEF);
  Le32(header, 0xFFFFFF00u);
  Le32(header, 0);
  Bytes file = Chunk("CHAN", RecordBytes(Channel(7, 7, 1, u"KABC")));
  file.insert(file.end(), header.begin(), header.end());
  file.resize(file.size() + 64, 0);
  WriteRaw(file);
  EXPECT_EQ(file_->LoadSettingsFile(), 0);
  ExpectStoppedWithMessage();
  EXPECT_EQ(ChannelNames().size(), 1u);
}

TEST_F(SettingsDamageTest, OverlongStringsAreCutAndStayTerminated) {
  Bytes opt;
  Le32(opt, 1);
  CountedString(opt, std::u16string(300, u'n'));  // longer than the 127-character field
  CountedString(opt, u"@device:x");
  const Bytes locator = RecordBytes(tuning::ChannelLocator::Empty(2));
  opt.insert(opt.end(), locator.begin(), locator.end());
  CountedString(opt, u"");
  CountedString(opt, u"");
  const Bytes s = RecordBytes(manager_->settings);
  opt.insert(opt.end(), s.begin(), s.end());
  Bytes file = Chunk("OPT", opt);
  const Bytes end = Chunk("END ", {});
  file.insert(file.end(), end.begin(), end.end());
  WriteRaw(file);
  EXPECT_EQ(file_->LoadSettingsFile(), 0);
  EXPECT_EQ(file_->lastLoad(), LoadOutcome::kClean);
  EXPECT_EQ(common::FieldView(manager_->tuners[0].friendlyName).size(), 127u);
}

TEST_F(SettingsDamageTest, TheDamagedFileIsKeptAsideBeforeTheNextSave) {
  std::vector<std::size_t> starts;
  Bytes file = GoodFile(&starts);
  file[starts[2] + 20] ^= 1;
  WriteRaw(file);
  ASSERT_EQ(file_->LoadSettingsFile(), 0);
  ASSERT_TRUE(file_->SaveSettingsFile());
  const std::filesystem::path damaged = path_.string() + ".damaged";
  EXPECT_EQ(ReadRaw(damaged), file);
  // The new file is whole and loads cleanly with what was kept.
  Reset();
  errors_.Clear();
  ASSERT_EQ(file_->LoadSettingsFile(), 0);
  EXPECT_EQ(file_->lastLoad(), LoadOutcome::kClean);
  EXPECT_EQ(ChannelNames().size(), 2u);
  // A clean load does not replace the kept copy.
  ASSERT_TRUE(file_->SaveSettingsFile());
  EXPECT_EQ(ReadRaw(damaged), file);
}

TEST_F(SettingsDamageTest, AFailedSaveLeavesTheOldFileWhole) {
  const Bytes file = GoodFile();
  WriteRaw(file);
  // The temporary file cannot be created where a folder of its name stands.
  std::filesystem::create_directory(path_.string() + ".tmp");
  ASSERT_EQ(file_->LoadSettingsFile(), 0);
  EXPECT_FALSE(file_->SaveSettingsFile());
  EXPECT_EQ(ReadRaw(path_), file);
}

}  // namespace
}  // namespace app
