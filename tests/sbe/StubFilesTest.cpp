// The stub files of the stream buffer: numbering, the limit of 100, and the
// start-up clearing that spares what a running buffer holds.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/sbe/StubFiles.h"
#include "tests/support/TempFolder.h"

namespace {

using sbe::StubPath;
using sbe::TakeStub;
using testsupport::TempFolder;

TEST(StubFiles, TheFirstFreeNumberIsTakenAndGivenBackWhenTheBufferEnds) {
  TempFolder folder;
  folder.WriteText("dvr-ms stub 00.tmp", "");
  std::filesystem::path taken;
  {
    auto stub = TakeStub(folder.Path());
    ASSERT_TRUE(stub);
    taken = stub->Path();
    EXPECT_EQ(taken, folder / "dvr-ms stub 01.tmp");
    EXPECT_TRUE(sbe::IsLocked(taken));
    auto second = TakeStub(folder.Path());
    ASSERT_TRUE(second);
    EXPECT_EQ(second->Path(), folder / "dvr-ms stub 02.tmp");
  }
  EXPECT_FALSE(std::filesystem::exists(taken));
}

TEST(StubFiles, OneHundredStubFilesLeaveNoneFree) {
  TempFolder folder;
  for (int number = 0; number < sbe::kStubCount; ++number)
    folder.WriteText(StubPath(folder.Path(), number).filename().string(), "");
  EXPECT_FALSE(TakeStub(folder.Path()));
}

TEST(StubFiles, StartUpKeepsTheFilesOfALockedStubAndClearsTheRest) {
  TempFolder folder;
  auto held = TakeStub(folder.Path());  // number 00, as a running instance holds it
  ASSERT_TRUE(held);
  folder.WriteText("dvr-ms stub 07.tmp", "");  // left by a crash
  std::filesystem::create_directories(folder / "TempSBE");
  const auto kept = folder.WriteText("TempSBE/dvr-ms stub 00_0003.mpg", "live");
  const auto keptList = folder.WriteText("TempSBE/dvr-ms stub 00.lst", "list");
  const auto stale = folder.WriteText("TempSBE/dvr-ms stub 07_0001.mpg", "old");
  const auto stray = folder.WriteText("TempSBE/other.bin", "old");

  EXPECT_EQ(sbe::EmptyBackingFolder(folder.Path()), 3);
  EXPECT_TRUE(std::filesystem::exists(kept));
  EXPECT_TRUE(std::filesystem::exists(keptList));
  EXPECT_TRUE(std::filesystem::exists(held->Path()));
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_FALSE(std::filesystem::exists(stray));
  EXPECT_FALSE(std::filesystem::exists(folder / "dvr-ms stub 07.tmp"));
}

TEST(StubFiles, AMissingBackingFolderIsNoError) {
  TempFolder folder;
  EXPECT_EQ(sbe::EmptyBackingFolder(folder.Path()), 0);
  EXPECT_EQ(sbe::EmptyBackingFolder({}), 0);
}

}  // namespace
