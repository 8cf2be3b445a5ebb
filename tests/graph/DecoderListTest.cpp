// The decoder lists of the Settings dialog: the normal list holds decoders of
// normal merit and up, "Show All" adds those down to "do not use" and the
// ones hidden from the normal list by class.
#include <gtest/gtest.h>

#include "graph/ingest/DecoderDevices.h"
#include "platform/av/decoders/DecoderClasses.h"
#include "platform/com/ComPtr.h"
#include "platform/com/GuidLiteral.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"
#include "tests/support/ConfigRoot.h"

namespace {

constexpr CLSID kLowMerit = com::GuidOf("6C1E9A52-0000-4000-8000-000000000001");
// A class of the hidden list.
constexpr CLSID kHidden = com::GuidOf("BCF9A35A-CD1F-4D4A-AD6D-0A13DCB132C9");

std::vector<std::u16string> Names(const std::vector<graph::DecoderInfo>& decoders) {
  std::vector<std::u16string> names;
  for (const auto& d : decoders)
    names.push_back(d.friendlyName);
  return names;
}

class DecoderList : public ::testing::Test {
 protected:
  void SetUp() override {
    media::RegisterClasses();
    av::RegisterDecoders();
    Register(kLowMerit, u"Low Video", MERIT_UNLIKELY);
    Register(kHidden, u"Hidden Video", MERIT_NORMAL);
  }

  static void Register(const CLSID& clsid, LPCWSTR name, DWORD merit) {
    ComPtr<IFilterMapper2> mapper;
    ASSERT_EQ(
        CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper)),
        S_OK);
    const REGPINTYPES type{&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG2_VIDEO};
    REGFILTERPINS pins[2];
    pins[0].nMediaTypes = 1;
    pins[0].lpMediaType = &type;
    pins[1].bOutput = TRUE;
    pins[1].nMediaTypes = 1;
    pins[1].lpMediaType = &type;
    const REGFILTER2 filter{1, merit, 2, pins};
    ASSERT_EQ(mapper->RegisterFilter(clsid, name, nullptr, &CLSID_LegacyAmFilterCategory, nullptr,
                                     &filter),
              S_OK);
  }

  testsupport::ScopedConfigRoot config_{"decoder-list"};
};

TEST_F(DecoderList, ShowAllAddsTheLowMeritAndTheHiddenDecoders) {
  EXPECT_EQ(Names(graph::EnumerateDecoders(graph::DecoderKind::kMpeg2Video, false)),
            std::vector<std::u16string>{av::kMpeg2VideoDecoderName});
  const auto all = Names(graph::EnumerateDecoders(graph::DecoderKind::kMpeg2Video, true));
  EXPECT_EQ(all.size(), 3u);
  EXPECT_NE(std::find(all.begin(), all.end(), u"Low Video"), all.end());
  EXPECT_NE(std::find(all.begin(), all.end(), u"Hidden Video"), all.end());
  EXPECT_EQ(Names(graph::EnumerateDecoders(graph::DecoderKind::kAc3Audio, false)),
            std::vector<std::u16string>{av::kAc3DecoderName});
}

}  // namespace
