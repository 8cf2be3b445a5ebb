#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include <unistd.h>

#include "common/ErrorBox.h"
#include "tests/support/TempFolder.h"

namespace app {
namespace {

CommandLineOptions Parse(std::vector<std::u16string> args, std::string* echo = nullptr) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  CommandLineOptions options = ParseCommandLine(args, out);
  std::fclose(out);
  if (echo) *echo = std::string(buffer, size);
  std::free(buffer);
  return options;
}

TEST(CommandLine, OptionsAreCaseInsensitiveAndEachArgumentIsEchoed) {
  std::string echo;
  const auto o = Parse({u"/usr/bin/corvane-dvr", u"-NoLaunch", u"-SETTINGS", u"other"}, &echo);
  EXPECT_FALSE(o.launch);
  EXPECT_TRUE(o.showSettings);
  EXPECT_FALSE(o.log);
  EXPECT_EQ(echo, "0: /usr/bin/corvane-dvr\n1: -NoLaunch\n2: -SETTINGS\n3: other\n");
}

TEST(CommandLine, InstanceValueIsAlsoComparedWithTheOptions) {
  auto o = Parse({u"dvr", u"-instance", u"-log"});
  EXPECT_EQ(o.instanceName, u"-log");
  EXPECT_TRUE(o.log);
  o = Parse({u"dvr", u"-log", u"-instance"});  // no value: no instance name
  EXPECT_TRUE(o.instanceName.empty());
  o = Parse({u"dvr", u"-Instance", u"Bedroom", u"-instance", u"Den"});
  EXPECT_EQ(o.instanceName, u"Den");
}

TEST(CommandLine, LongInstanceNamesAreCutTo63Characters) {
  const auto o = Parse({u"dvr", u"-instance", std::u16string(80, u'x')});
  EXPECT_EQ(o.instanceName.size(), 63u);
  std::u16string withPair(62, u'x');
  withPair += u"\U0001F4FA tail";  // a surrogate pair straddling the cut
  EXPECT_EQ(Parse({u"dvr", u"-instance", withPair}).instanceName, std::u16string(62, u'x'));
}

TEST(CommandLine, InstanceNamesThatAreNoPlainFolderNameAreRefused) {
  for (const std::u16string bad : {u".", u"..", u"x/..", u"a/", u"a\\b", u"tab\there"}) {
    const auto o = Parse({u"dvr", u"-instance", bad});
    EXPECT_TRUE(o.instanceName.empty());
    EXPECT_EQ(o.refusedInstanceName, bad);
  }
  const auto o = Parse({u"dvr", u"-instance", u"Den .2"});
  EXPECT_EQ(o.instanceName, u"Den .2");
  EXPECT_TRUE(o.refusedInstanceName.empty());
}

TEST(CommandLine, TitleAndDataFolderFollowTheInstanceName) {
  EXPECT_EQ(WindowTitle(u""), u"Corvane DVR");
  EXPECT_EQ(WindowTitle(u"Bedroom"), u"Corvane DVR (Bedroom)");
  EXPECT_EQ(DataFolderSubPath(u""), std::filesystem::path("Corvane DVR"));
  EXPECT_EQ(DataFolderSubPath(u"Bedroom"), std::filesystem::path("Corvane DVR/Bedroom"));
  EXPECT_EQ(DataFolderSubPath(u"../../etc"), std::filesystem::path("Corvane DVR/.._.._etc"));
  EXPECT_EQ(DataFolderSubPath(u".."), std::filesystem::path("Corvane DVR/_.."));
}

class DataFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    if (const char* d = std::getenv("XDG_DATA_HOME")) saved_ = d;
  }
  void TearDown() override {
    if (saved_.empty()) {
      unsetenv("XDG_DATA_HOME");
    } else {
      setenv("XDG_DATA_HOME", saved_.c_str(), 1);
    }
  }
  std::string saved_;
  testsupport::TempFolder folder_{"corvane-data"};
  const std::filesystem::path base_ = folder_.Path() / "data";
};

TEST_F(DataFolderTest, IsCreatedUnderTheDataHome) {
  setenv("XDG_DATA_HOME", base_.c_str(), 1);
  common::ErrorCapture errors;
  const auto folder = FindDataFolder(u"Bedroom");
  EXPECT_EQ(folder, base_ / "Corvane DVR" / "Bedroom");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_TRUE(errors.Messages().empty());
}

TEST_F(DataFolderTest, FailureShowsTheMessageWithTheErrorName) {
  std::filesystem::create_directories(base_);
  std::ofstream(base_ / "file") << "x";
  setenv("XDG_DATA_HOME", (base_ / "file").c_str(), 1);  // a file where a folder should be
  common::ErrorCapture errors;
  EXPECT_TRUE(FindDataFolder(u"").empty());
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_EQ(errors.Messages()[0].rfind("Can not get data folder path. Error ", 0), 0u);
  EXPECT_EQ(errors.Messages()[0].find("0x"), std::string::npos) << errors.Messages()[0];
}

}  // namespace
}  // namespace app
