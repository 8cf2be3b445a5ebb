#include <gtest/gtest.h>

#include "app/ChannelProperties.h"
#include "common/Utf16.h"
#include "tests/support/FakeDialog.h"
#include "tuning/BandPlan.h"

namespace app {
namespace {

using testsupport::FakeDialog;
using Lines = std::vector<std::string>;

// 31.1 as a terrestrial VCT and its PMT describe it.
tuning::ChannelRecord Atsc311() {
  tuning::ChannelRecord r;
  common::SetField(r.name, u"KVTS-HD");
  r.locator = tuning::ChannelLocator::Make(31, 1, 31, tuning::kAntennaUs, tuning::kVsb8);
  r.enabled = 1;
  r.programNumber = 3;
  r.transportStreamId = 0x0815;
  r.videoPid = 0x31;
  r.videoStreamType = 0x02;
  r.audioPid = 0x34;
  r.audioStreamType = 0x81;
  r.pcrPid = 0x31;
  return r;
}

TEST(ChannelProperties, ListedChannelShowsItsRecord) {
  tuning::ChannelList channels;
  channels.InsertSorted(Atsc311());
  const ChannelPropertiesOutcome outcome = ChannelProperties(channels, Atsc311().locator);
  EXPECT_EQ(outcome.lines, (Lines{
                               "Name: KVTS-HD",
                               "Channel: 31.1",
                               "Physical channel: 31",
                               "Channel map: Antenna US",
                               "Frequency: 573.250 MHz",
                               "Modulation: VSB:8-VSB",
                               "Program number: 3",
                               "Transport stream ID: 0x0815",
                               "Video PID: 0x0031 (stream type 0x0002)",
                               "Audio PID: 0x0034 (stream type 0x0081)",
                               "PCR PID: 0x0031",
                               "Enabled: yes",
                           }));
}

TEST(ChannelProperties, UnlistedChannelShowsWhatItsLocatorHolds) {
  tuning::ChannelList channels;
  channels.InsertSorted(Atsc311());
  // Physical channel 30 of the HRC cable plan, tuned by its number.
  const auto physical = tuning::ChannelLocator::Make(30, tuning::kNoNumber, tuning::kNoNumber,
                                                     tuning::kCableHrc, tuning::kQam256);
  EXPECT_EQ(ChannelProperties(channels, physical).lines, (Lines{
                                                             "Name: not in the channel list",
                                                             "Channel: none",
                                                             "Physical channel: 30",
                                                             "Channel map: Cable (HRC)",
                                                             "Frequency: 258.0129 MHz",
                                                             "Modulation: QAM:256-QAM",
                                                         }));
}

TEST(ChannelProperties, RefusedWithoutAGraph) {
  tuning::ChannelList channels;
  const ChannelPropertiesOutcome outcome = ChannelProperties(channels, std::nullopt);
  EXPECT_TRUE(outcome.lines.empty());
  EXPECT_EQ(outcome.refusal, kNoGraph);
}

TEST(ChannelProperties, DialogListsTheLinesUntilOk) {
  ChannelPropertiesDialog handler({"Name: KVTS-HD", "Channel: 31.1"});
  const ui::DialogTemplate layout = ChannelPropertiesDialog::Layout();
  EXPECT_EQ(layout.title, "Channel Properties");
  FakeDialog dialog(layout, handler);
  dialog.Init();
  EXPECT_EQ(dialog.Items(kChannelFacts), (Lines{"Name: KVTS-HD", "Channel: 31.1"}));
  dialog.Click(ui::kIdOk);
  EXPECT_EQ(dialog.Result(), ui::DialogResult::Ok);
}

}  // namespace
}  // namespace app
