// Saves that cannot complete: on a full disk (a file-size limit makes write()
// fail as a full disk does) and in a folder the program may not write. The
// file saved before stays whole, no temporary file is left, and the user is
// given the file and the reason.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <functional>

#include "SettingsFixture.h"
#include "tests/support/ChildProcess.h"

namespace app {
namespace {

using namespace test;

class SettingsSaveFailureTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    channels_->InsertSorted(Channel(7, 7, 1, u"KABC"));
    manager_->settings.volume = 17;
    ASSERT_TRUE(file_->SaveSettingsFile());
    saved_ = ReadRaw(path_);
  }

  // Saves a changed volume in a child process that `restrict` has limited;
  // gives what the child printed: the trace and the message for the user.
  std::string FailingSave(const std::function<bool()>& restrict) {
    testsupport::ChildProcess child(childFolder_.Path(), [&] {
      if (!restrict()) return 99;
      manager_->settings.volume = 3;
      if (file_->SaveSettingsFile()) return 0;
      std::printf("%s\n", file_->SaveError().c_str());
      std::fflush(stdout);
      return 1;
    });
    EXPECT_EQ(child.WaitExit(10'000), std::optional(1)) << child.Out() << child.Err();
    return child.Out();
  }

  std::string Message(const char* reason) const {
    return "The settings could not be saved: \"" + path_.string() + "\" cannot be written (" +
           reason + "). The settings saved before are kept.";
  }

  void ExpectSavedFileKept() {
    EXPECT_EQ(ReadRaw(path_), saved_);
    EXPECT_FALSE(std::filesystem::exists(path_.string() + ".tmp"));
    Reset();
    ASSERT_EQ(file_->LoadSettingsFile(), 0);
    EXPECT_EQ(file_->lastLoad(), LoadOutcome::kClean);
    EXPECT_EQ(manager_->settings.volume, 17);
  }

  testsupport::TempFolder childFolder_{"corvane-settings-child"};
  Bytes saved_;
};

TEST_F(SettingsSaveFailureTest, AFullDiskKeepsTheSavedFileAndSaysWhy) {
  const std::string out = FailingSave([] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{512, 512};
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
  });
  EXPECT_NE(out.find(Message("File too large")), std::string::npos) << out;
  ExpectSavedFileKept();
}

TEST_F(SettingsSaveFailureTest, AReadOnlyFolderKeepsTheSavedFileAndSaysWhy) {
  ASSERT_EQ(::chmod(folder_.Path().c_str(), 0555), 0);
  // The superuser writes anywhere: the child saves as nobody.
  const std::string out = FailingSave([] { return ::geteuid() != 0 || ::setuid(65534) == 0; });
  ::chmod(folder_.Path().c_str(), 0700);
  EXPECT_NE(out.find(Message("Permission denied")), std::string::npos) << out;
  ExpectSavedFileKept();
}

}  // namespace
}  // namespace app
