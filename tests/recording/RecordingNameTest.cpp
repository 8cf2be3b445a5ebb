#include "recording/naming/RecordingName.h"

#include <gtest/gtest.h>

#include "common/Utf16.h"
#include "tests/support/TempFolder.h"

namespace recording::test {
namespace {

constexpr LocalDate kDay{2026, 12, 6};

class RecordingNameTest : public ::testing::Test {
 protected:
  std::u16string Base(std::u16string_view title) const {
    return RecordingBase(common::FromUtf8(folder_.Path().string()), title, kDay);
  }
  std::string NameOf(const std::filesystem::path& path) const { return path.filename().string(); }

  testsupport::TempFolder folder_{"corvane-names"};
  std::string error_;
};

TEST_F(RecordingNameTest, ReplacedCharactersAndAnEmptyTitle) {
  const auto files = ReserveRecordingFiles(Base(u"\"*/:<>?\\|"), false, &error_);
  ASSERT_TRUE(files) << error_;
  EXPECT_EQ(NameOf(files->recording), "2026-12-06 _________.mpg");
  const auto empty = ReserveRecordingFiles(Base(u""), false, &error_);
  ASSERT_TRUE(empty);
  EXPECT_EQ(NameOf(empty->recording), "2026-12-06 .mpg");
}

TEST_F(RecordingNameTest, ASecondRecordingOfTheDayIsNumberedAndNothingIsOverwritten) {
  const std::u16string base = Base(u"News: Late");
  const auto first = ReserveRecordingFiles(base, false, &error_);
  const auto second = ReserveRecordingFiles(base, false, &error_);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(NameOf(first->recording), "2026-12-06 News_ Late.mpg");
  EXPECT_EQ(NameOf(second->recording), "2026-12-06 News_ Late  2.mpg");
}

TEST_F(RecordingNameTest, TheCompanionMustBeFreeToo) {
  const std::u16string base = Base(u"News");
  folder_.WriteText("2026-12-06 News.ts", "left by another recording");
  const auto files = ReserveRecordingFiles(base, true, &error_);
  ASSERT_TRUE(files) << error_;
  EXPECT_EQ(NameOf(files->recording), "2026-12-06 News  2.mpg");
  EXPECT_EQ(NameOf(*files->transportStream), "2026-12-06 News  2.ts");
  EXPECT_FALSE(std::filesystem::exists(folder_.Path() / "2026-12-06 News.mpg"));
}

TEST_F(RecordingNameTest, ALongTitleIsCutSoThatANumberedNameFits) {
  const std::u16string base = Base(std::u16string(300, u'x'));
  EXPECT_EQ(base.size() + 7, kMaxRecordingPath);
}

}  // namespace
}  // namespace recording::test
