#include "app/SettingsDialog.h"

#include <gtest/gtest.h>

#include <string>

#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "tests/support/FakeDialog.h"

namespace {

using app::DeviceEntry;
using testsupport::FakeDialog;

struct Sources final : app::ISettingsSources {
  std::vector<DeviceEntry> tuners;
  bool recording = false;
  std::optional<std::filesystem::path> browsed;

  std::vector<DeviceEntry> Tuners() override { return tuners; }
  std::vector<DeviceEntry> VideoDecoders(bool showAll) override {
    std::vector<DeviceEntry> list{{u"Normal video", u"@v1"}};
    if (showAll) list.push_back({u"Low video", u"@v2"});
    return list;
  }
  std::vector<DeviceEntry> AudioDecoders(bool) override { return {{u"Audio", u"@a1"}}; }
  std::vector<app::RendererChoice> Renderers() override {
    return {{0, "No Renderer"}, {5, "Windowed"}, {6, "Windowless"}};
  }
  // As the desktop program: another platform's kind shows on the windowless one.
  std::uint32_t RendererInUse(std::uint32_t chosen) override {
    return chosen == 0 || chosen == 5 ? chosen : 6;
  }
  bool Recording() override { return recording; }
  std::optional<std::filesystem::path> BrowseFolder(std::string_view,
                                                    const std::filesystem::path&) override {
    return browsed;
  }
  std::filesystem::path DefaultRecordFolder() override { return "/home/u/Videos"; }
  std::filesystem::path DefaultBufferFolder() override {
    return "/home/u/.local/share/Corvane DVR";
  }
};

struct SettingsDialogTest : testing::Test {
  SettingsDialogTest() {
    for (int i = 0; i < 3; ++i) {
      const std::u16string n = common::FromUtf8(std::to_string(i));
      sources.tuners.push_back({u"Tuner " + n, u"@tuner" + n});
    }
    common::SetField(manager.settings.recordFolder, u"/old/rec");
    common::SetField(manager.settings.bufferFolder, u"/old/buf");
  }
  FakeDialog& Open() {
    dialog.Init();
    return dialog;
  }

  app::TunerManager manager;
  Sources sources;
  app::SettingsDialog handler{manager, sources};
  FakeDialog dialog{app::SettingsDialog::Layout(), handler};
  common::ErrorCapture errors;
};

TEST_F(SettingsDialogTest, TunersOfTheStoredEntriesComeChecked) {
  common::SetField(manager.tuners[0].devicePath, u"@tuner2");
  manager.tunerCount = 1;
  Open();
  EXPECT_FALSE(dialog.ItemChecked(app::kTunerTree, 0));
  EXPECT_TRUE(dialog.ItemChecked(app::kTunerTree, 2));
}

TEST_F(SettingsDialogTest, WithNoTunerChosenTheFirstComesChecked) {
  Open();
  EXPECT_TRUE(dialog.ItemChecked(app::kTunerTree, 0));
  EXPECT_FALSE(dialog.ItemChecked(app::kTunerTree, 1));
}

TEST_F(SettingsDialogTest, OkStoresTheCheckedTunersInTreeOrder) {
  Open();
  dialog.CheckItem(app::kTunerTree, 2, true);
  dialog.CheckItem(app::kTunerTree, 0, true);
  dialog.Click(app::kFormatDvrMs);
  dialog.Click(ui::kIdOk);
  EXPECT_EQ(dialog.Result(), ui::DialogResult::Ok);
  ASSERT_EQ(manager.tunerCount, 2u);
  EXPECT_EQ(common::FieldView(manager.tuners[0].devicePath), u"@tuner0");
  EXPECT_EQ(common::FieldView(manager.tuners[1].friendlyName), u"Tuner 2");
  EXPECT_EQ(common::FieldView(manager.videoDecoder), u"@v1");
  EXPECT_EQ(manager.settings.recordFormat, 1);
}

TEST_F(SettingsDialogTest, OkWhileRecordingIsRefusedAndTheDialogStays) {
  sources.recording = true;
  Open();
  dialog.CheckItem(app::kTunerTree, 1, true);
  dialog.Click(ui::kIdOk);
  EXPECT_TRUE(dialog.IsOpen());
  EXPECT_EQ(errors.Messages(), std::vector<std::string>{app::kSettingsWhileRecording});
  EXPECT_EQ(manager.tunerCount, 0u);
}

TEST_F(SettingsDialogTest, ASeventeenthTunerCheckIsRefused) {
  sources.tuners.clear();
  for (int i = 0; i < app::kMaxTuners + 1; ++i) {
    const std::u16string n = common::FromUtf8(std::to_string(i));
    sources.tuners.push_back({u"T" + n, u"@" + n});
  }
  Open();
  for (int i = 0; i <= app::kMaxTuners; ++i)
    dialog.CheckItem(app::kTunerTree, i, true);
  EXPECT_TRUE(dialog.ItemChecked(app::kTunerTree, app::kMaxTuners - 1));
  EXPECT_FALSE(dialog.ItemChecked(app::kTunerTree, app::kMaxTuners));
  EXPECT_EQ(errors.Messages().size(), 1u);
  dialog.Click(ui::kIdOk);
  EXPECT_EQ(manager.tunerCount, static_cast<std::uint32_t>(app::kMaxTuners));
}

TEST_F(SettingsDialogTest, ARecordFolderOver259CharactersIsRefusedAtOk) {
  Open();
  dialog.Type(app::kRecordFolderEdit, "/" + std::string(app::kMaxFolderLength, 'r'));
  dialog.Click(ui::kIdOk);
  EXPECT_TRUE(dialog.IsOpen());
  dialog.Type(app::kRecordFolderEdit, "/" + std::string(app::kMaxFolderLength - 1, 'r'));
  dialog.Click(ui::kIdOk);
  EXPECT_EQ(dialog.Result(), ui::DialogResult::Ok);
  EXPECT_EQ(common::FieldView(manager.settings.recordFolder).size(), app::kMaxFolderLength);
}

TEST_F(SettingsDialogTest, ABufferFolderOver217CharactersIsRefusedAtOk) {
  Open();
  dialog.Type(app::kBufferFolderEdit, "/" + std::string(app::kMaxBufferFolderLength, 'b'));
  dialog.Click(ui::kIdOk);
  EXPECT_TRUE(dialog.IsOpen());
  EXPECT_EQ(errors.Messages().size(), 1u);
  dialog.Type(app::kBufferFolderEdit, "/" + std::string(app::kMaxBufferFolderLength - 1, 'b'));
  dialog.Click(ui::kIdOk);
  EXPECT_EQ(dialog.Result(), ui::DialogResult::Ok);
}

TEST_F(SettingsDialogTest, ShowAllAddsTheLowerMeritDecodersAndRemovesThemAgain) {
  Open();
  EXPECT_EQ(dialog.ItemCount(app::kVideoDecoderList), 1);
  dialog.Click(app::kShowAllVideo);
  dialog.Choose(app::kVideoDecoderList, 1);
  EXPECT_EQ(dialog.Items(app::kVideoDecoderList),
            (std::vector<std::string>{"Normal video", "Low video"}));
  dialog.Click(app::kShowAllVideo);
  EXPECT_EQ(dialog.ItemCount(app::kVideoDecoderList), 1);
  EXPECT_EQ(dialog.Selection(app::kVideoDecoderList), 0);
  EXPECT_EQ(dialog.ItemCount(app::kAudioDecoderList), 1);
}

TEST_F(SettingsDialogTest, DefaultAndBrowsePutTheirFolderInTheEdit) {
  Open();
  dialog.Click(app::kRecordFolderDefault);
  dialog.Click(app::kBufferFolderDefault);
  EXPECT_EQ(dialog.Text(app::kRecordFolderEdit), "/home/u/Videos");
  EXPECT_EQ(dialog.Text(app::kBufferFolderEdit), "/home/u/.local/share/Corvane DVR");
  sources.browsed = "/chosen";
  dialog.Click(app::kRecordFolderBrowse);
  EXPECT_EQ(dialog.Text(app::kRecordFolderEdit), "/chosen");
  sources.browsed.reset();
  dialog.Click(app::kBufferFolderBrowse);
  EXPECT_EQ(dialog.Text(app::kBufferFolderEdit), "/home/u/.local/share/Corvane DVR");
}

TEST_F(SettingsDialogTest, CancelKeepsTheOldFolders) {
  Open();
  dialog.Click(app::kRecordFolderDefault);
  dialog.Click(ui::kIdCancel);
  EXPECT_EQ(dialog.Result(), ui::DialogResult::Cancel);
  EXPECT_EQ(common::FieldView(manager.settings.recordFolder), u"/old/rec");
}

TEST_F(SettingsDialogTest, TheRendererIsStoredByItsKindNotItsPlace) {
  manager.settings.videoRenderer = 1;  // a kind of another platform
  Open();
  EXPECT_EQ(dialog.ItemCount(app::kRendererList), 3);
  EXPECT_EQ(dialog.Selection(app::kRendererList), -1);
  EXPECT_EQ(dialog.ItemText(app::kRendererList, 2), "Windowless (in use)");
  dialog.Choose(app::kRendererList, 2);
  dialog.Click(ui::kIdOk);
  EXPECT_EQ(manager.settings.videoRenderer, 6u);
}

}  // namespace
