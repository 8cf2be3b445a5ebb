#include "app/ChannelsDialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>

#include "app/EditChannelForm.h"
#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "tests/support/FakeDialog.h"

namespace {

using testsupport::FakeDialog;

tuning::ChannelRecord Channel(int physical, int major, int minor, const char16_t* name) {
  tuning::ChannelRecord r;
  r.locator = tuning::ChannelLocator::Make(static_cast<std::uint8_t>(physical),
                                           static_cast<std::uint16_t>(minor),
                                           static_cast<std::uint16_t>(major), 0, 1);
  common::SetField(r.name, name);
  r.enabled = 1;
  return r;
}

struct Host final : app::IChannelsHost {
  explicit Host(tuning::ChannelList& list) : channels(list) {}

  tuning::ModulationMask SupportedModulations() override { return supported; }
  std::atomic<int>& ScanChannel() override { return scanChannel; }
  std::uint8_t CurrentPhysicalChannel() override { return 5; }
  int SignalQuality() override { return 80; }
  bool SignalLocked() override { return onAir.contains(tuned.empty() ? 0 : tuned.back()); }
  bool Recording() override { return recording; }
  void PublishWindow(ui::WindowId window) override { published.push_back(window); }
  void TunePhysical(std::uint8_t physical, tuning::ChannelMap, tuning::ModulationMask) override {
    tuned.push_back(physical);
    pendingReport = physical;
  }
  void TuneRequest(const tuning::ChannelLocator& locator) override { viewed.push_back(locator); }
  void FlushSections() override {}
  void ClearSections() override {}
  void CollectChannels(std::uint8_t physical, tuning::ChannelMap, tuning::ModulationMask) override {
    auto lock = channels.Acquire();
    for (const tuning::ChannelRecord& r : onAir[physical])
      channels.InsertSorted(r);
  }
  void WritePsipDump() override { ++dumps; }
  ui::DialogResult RunForm(const ui::DialogTemplate& layout, ui::DialogHandler& handler,
                           ui::WindowId) override {
    FakeDialog form(layout, handler);
    form.Init();
    if (fillForm) fillForm(form);
    return form.Result().value_or(ui::DialogResult::Cancel);
  }

  tuning::ChannelList& channels;
  tuning::ModulationMask supported = tuning::kVsb8 | tuning::kQam256;
  std::atomic<int> scanChannel{0};
  std::map<int, std::vector<tuning::ChannelRecord>> onAir;
  bool recording = false;
  std::vector<ui::WindowId> published;
  std::vector<int> tuned;
  int pendingReport = 0;
  std::vector<tuning::ChannelLocator> viewed;
  int dumps = 0;
  std::function<void(FakeDialog&)> fillForm;
};

struct ChannelsDialogTest : testing::Test {
  ChannelsDialogTest() {
    host.onAir[30] = {Channel(30, 7, 1, u"SEVEN"), Channel(30, 7, 2, u"SEVEN2")};
    host.onAir[7] = {Channel(7, 5, 5, u"FIVE")};
  }
  FakeDialog& Open() {
    dialog.Init();
    return dialog;
  }
  // The graph reports each scan tune and every settle runs out, until the
  // scan stops or `steps` messages have passed.
  void Pump(int steps = 10'000) {
    for (int i = 0; i < steps && host.scanChannel != 0 && dialog.IsOpen(); ++i) {
      if (dialog.DeliverPosted(1) == 1) continue;
      if (host.pendingReport != 0) {
        const int physical = std::exchange(host.pendingReport, 0);
        dialog.Deliver(ui::Message::WM_CHANNEL_CHANGED, static_cast<ui::WParam>(physical));
        continue;
      }
      if (!dialog.Timers().empty()) dialog.FireTimer(dialog.Timers().begin()->first);
    }
  }

  app::Settings settings;
  tuning::ChannelList channels;
  Host host{channels};
  app::ChannelsDialog handler{settings, channels, host};
  FakeDialog dialog{app::ChannelsDialog::Layout(), handler};
  common::ErrorCapture errors;
};

TEST_F(ChannelsDialogTest, AScanVisitsTheMapAndEndsOnTheFirstChannelWithTheTreeSortedByText) {
  Open();
  dialog.Click(app::kScanButton);
  EXPECT_EQ(dialog.Text(app::kScanButton), "&Stop");
  Pump();
  const tuning::ScanRangeResult range = tuning::ScanRange(tuning::kAntennaUs);
  ASSERT_EQ(host.tuned.size(), static_cast<std::size_t>(range.last - range.first + 1));
  EXPECT_EQ(host.tuned.front(), range.first);
  EXPECT_EQ(dialog.Text(app::kScanStatus), "Finished");
  EXPECT_EQ(dialog.Text(app::kScanButton), "&Scan");
  EXPECT_EQ(dialog.Items(app::kChannelTree),
            (std::vector<std::string>{"00005.5 (A7) FIVE", "00007.1 (A30) SEVEN",
                                      "00007.2 (A30) SEVEN2"}));
  ASSERT_EQ(host.viewed.size(), 1u);
  EXPECT_EQ(host.viewed[0].major(), 5);
}

TEST_F(ChannelsDialogTest, MapAndModulationAreFixedWhileAScanRuns) {
  Open();
  dialog.Choose(app::kModulationList, 1);
  EXPECT_EQ(settings.scanModulation, tuning::kQam256);
  dialog.Click(app::kScanButton);
  EXPECT_FALSE(dialog.Enabled(app::kChannelMapList));
  EXPECT_FALSE(dialog.Enabled(app::kModulationList));
  dialog.Click(app::kScanButton);  // "Stop"
  EXPECT_EQ(host.dumps, 1);
  EXPECT_TRUE(dialog.Enabled(app::kChannelMapList));
  dialog.Choose(app::kChannelMapList, 1);
  EXPECT_EQ(settings.scanChannelMap, tuning::OfferedChannelMaps(host.supported)[1]);
}

TEST_F(ChannelsDialogTest, CloseStoresTheCheckBoxes) {
  {
    auto lock = channels.Acquire();
    channels.InsertSorted(Channel(7, 5, 5, u"FIVE"));
  }
  Open();
  dialog.CheckItem(app::kChannelTree, 0, false);
  dialog.Click(ui::kIdOk);
  EXPECT_EQ(dialog.Result(), ui::DialogResult::Ok);
  EXPECT_EQ(channels.begin()->second.record.enabled, 0);
  EXPECT_EQ(host.published.back(), ui::kNoWindow);
}

TEST_F(ChannelsDialogTest, CancelKeepsTheCheckBoxesUnstored) {
  {
    auto lock = channels.Acquire();
    channels.InsertSorted(Channel(7, 5, 5, u"FIVE"));
  }
  Open();
  dialog.CheckItem(app::kChannelTree, 0, false);
  dialog.Click(ui::kIdCancel);
  EXPECT_EQ(dialog.Result(), ui::DialogResult::Cancel);
  EXPECT_EQ(channels.begin()->second.record.enabled, 1);
}

// A channel the table poll makes while the tuner settles has no tree item
// yet: closing then must not read it as unchecked.
TEST_F(ChannelsDialogTest, CloseLeavesChannelsWithoutATreeItemAlone) {
  Open();
  dialog.Click(app::kScanButton);
  while (host.scanChannel != 7)
    Pump(1);
  Pump(2);  // the tune to 7 is reported: the settle runs
  ASSERT_FALSE(dialog.Timers().empty());
  {
    auto lock = channels.Acquire();
    channels.InsertSorted(Channel(7, 5, 6, u"NEW"));
  }
  dialog.Click(ui::kIdOk);
  EXPECT_EQ(channels.begin()->second.record.enabled, 1);
  EXPECT_EQ(host.scanChannel, 0);
}

TEST_F(ChannelsDialogTest, AGraphThatStartsRecordingEndsTheScanUntuned) {
  Open();
  dialog.Click(app::kScanButton);
  Pump(3);
  const std::size_t tunes = host.tuned.size();
  host.recording = true;
  Pump();
  EXPECT_EQ(host.tuned.size(), tunes);
  EXPECT_EQ(dialog.Text(app::kScanStatus), "Finished");
  dialog.Click(ui::kIdOk);
  EXPECT_TRUE(host.viewed.empty());
}

TEST_F(ChannelsDialogTest, ClearEmptiesTreeAndList) {
  {
    auto lock = channels.Acquire();
    channels.InsertSorted(Channel(7, 5, 5, u"FIVE"));
  }
  Open();
  dialog.Click(app::kClearButton);
  EXPECT_EQ(dialog.ItemCount(app::kChannelTree), 0);
  EXPECT_TRUE(channels.empty());
}

TEST_F(ChannelsDialogTest, SlowScanSetsBitZeroOfTheScanFlags) {
  settings.scanFlags = 0x10;
  Open();
  dialog.Click(app::kSlowScan);
  EXPECT_EQ(settings.scanFlags, 0x11u);
  dialog.Click(app::kSlowScan);
  EXPECT_EQ(settings.scanFlags, 0x10u);
}

TEST_F(ChannelsDialogTest, ATunerWithoutModesHasNothingToScan) {
  host.supported = 0;
  Open();
  EXPECT_FALSE(dialog.Enabled(app::kScanButton));
  EXPECT_EQ(dialog.ItemCount(app::kModulationList), 0);
}

TEST_F(ChannelsDialogTest, AnAddedChannelJoinsListAndTreeWithItsPids) {
  {
    auto lock = channels.Acquire();
    channels.InsertSorted(Channel(7, 5, 5, u"FIVE"));
  }
  host.fillForm = [](FakeDialog& form) {
    form.Type(app::kFormPhysical, "9");
    form.Type(app::kFormMajor, "4");
    form.Type(app::kFormMinor, "1");
    form.Type(app::kFormName, "HAND");
    form.Choose(app::kFormVideoPid, 0x41);
    form.Click(ui::kIdOk);
  };
  Open();
  dialog.Click(app::kAddChannelButton);
  EXPECT_EQ(dialog.Items(app::kChannelTree),
            (std::vector<std::string>{"00004.1 (A9) HAND", "00005.5 (A7) FIVE"}));
  auto lock = channels.Acquire();
  const tuning::ChannelNode* node = channels.FindByKeys(tuning::ChannelLocator::MakeKey1(9, 1), 4);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->record.videoPid, 0x41);
  EXPECT_EQ(node->record.audioPid, app::kDefaultAudioPid);
}

TEST_F(ChannelsDialogTest, TheFormRefusesAPhysicalChannelOutsideTheMap) {
  bool stayedOpen = false;
  host.fillForm = [&](FakeDialog& form) {
    form.Type(app::kFormPhysical, "1");
    form.Type(app::kFormMajor, "4");
    form.Click(ui::kIdOk);
    stayedOpen = form.IsOpen();
    form.Click(ui::kIdCancel);
  };
  Open();
  dialog.Click(app::kAddChannelButton);
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(errors.Messages().size(), 1u);
  EXPECT_TRUE(channels.empty());
}

}  // namespace
