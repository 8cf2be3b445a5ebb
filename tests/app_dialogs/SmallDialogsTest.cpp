#include <gtest/gtest.h>

#include "app/AboutBox.h"
#include "app/DecoderProperties.h"
#include "app/OverscanDialog.h"
#include "tests/support/FakeDialog.h"

namespace app {
namespace {

using testsupport::FakeDialog;

TEST(OverscanDialog, ChangesApplyAtOnceAndCancelRestoresTheOldValues) {
  Settings settings;
  settings.overscanTop = 4;
  settings.overscanLeft = static_cast<std::uint16_t>(-2);
  int applied = 0;
  OverscanDialog handler(settings, [&] { ++applied; });
  FakeDialog dialog(OverscanDialog::Layout(), handler);
  dialog.Init();
  EXPECT_EQ(dialog.Text(kOverscanLeft), "-2");
  dialog.Type(kOverscanTop, "10");
  EXPECT_EQ(settings.overscanTop, 10);
  EXPECT_EQ(applied, 1);
  dialog.Click(ui::kIdCancel);
  EXPECT_EQ(settings.overscanTop, 4);
  EXPECT_EQ(static_cast<std::int16_t>(settings.overscanLeft), -2);
  EXPECT_EQ(applied, 2);
}

TEST(OverscanDialog, OkKeepsSignedValues) {
  Settings settings;
  OverscanDialog handler(settings, [] {});
  FakeDialog dialog(OverscanDialog::Layout(), handler);
  dialog.Init();
  dialog.Type(kOverscanBottom, "-6");
  dialog.Click(ui::kIdOk);
  EXPECT_EQ(dialog.Result(), ui::DialogResult::Ok);
  EXPECT_EQ(static_cast<std::int16_t>(settings.overscanBottom), -6);
}

TEST(AboutBox, NamesTheProductAndVersion) {
  AboutBox handler("1.2");
  FakeDialog dialog(AboutBox::Layout(), handler);
  dialog.Init();
  EXPECT_EQ(dialog.Text(kAboutProduct), "Corvane DVR");
  EXPECT_EQ(dialog.Text(kAboutVersion), "Version 1.2");
}

// A player with or without decoders.
class Decoders : public IDecoderSource {
 public:
  bool PlayerBuilt() override { return built; }
  std::optional<DecoderFacts> Decoder(DecoderRole role) override {
    return role == DecoderRole::kVideo ? video : std::nullopt;
  }
  bool built = true;
  std::optional<DecoderFacts> video;
};

TEST(DecoderProperties, RefusedWithoutAPlayerOrWithoutThatDecoder) {
  Decoders decoders;
  decoders.video = DecoderFacts{};
  decoders.video->name = "Video Decoder";
  EXPECT_EQ(DecoderPages(decoders, DecoderRole::kAudio).refusal, kNoAudioDecoder);
  EXPECT_EQ(DecoderPages(decoders, DecoderRole::kVideo).facts->name, "Video Decoder");
  decoders.built = false;
  const DecoderPagesOutcome outcome = DecoderPages(decoders, DecoderRole::kVideo);
  EXPECT_FALSE(outcome.facts);
  EXPECT_EQ(outcome.refusal, kNoPlayer);
}

TEST(DecoderProperties, ListsWhatTheFilterReportsAndItsCountsOnlyWhenItKeepsThem) {
  DecoderFacts facts;
  facts.name = "AC3 Decoder";
  facts.classId = "{FA245396-72FC-43F9-BB91-BB3544490C2D}";
  facts.input = "Dolby AC-3 audio";
  DecoderPropertiesDialog foreign(facts);
  const ui::DialogTemplate layout = DecoderPropertiesDialog::Layout(facts.name);
  EXPECT_EQ(layout.title, "AC3 Decoder Properties");
  FakeDialog plain(layout, foreign);
  plain.Init();
  ASSERT_EQ(plain.ItemCount(kDecoderFacts), 4);
  EXPECT_EQ(plain.ItemText(kDecoderFacts, 2), "Input: Dolby AC-3 audio");
  EXPECT_EQ(plain.ItemText(kDecoderFacts, 3), "Output: not connected");

  facts.counted = true;
  facts.frames = 250;
  facts.decodeErrors = 3;
  DecoderPropertiesDialog own(facts);
  FakeDialog counted(DecoderPropertiesDialog::Layout(facts.name), own);
  counted.Init();
  ASSERT_EQ(counted.ItemCount(kDecoderFacts), 8);
  EXPECT_EQ(counted.ItemText(kDecoderFacts, 5), "Frames delivered: 250");
  EXPECT_EQ(counted.ItemText(kDecoderFacts, 6), "Decode errors: 3");
  counted.Click(ui::kIdOk);
  EXPECT_EQ(counted.Result(), ui::DialogResult::Ok);
}

}  // namespace
}  // namespace app
