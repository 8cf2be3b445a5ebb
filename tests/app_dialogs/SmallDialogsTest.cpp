#include <gtest/gtest.h>

#include "app/AboutBox.h"
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

}  // namespace
}  // namespace app
