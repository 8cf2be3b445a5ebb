#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

#include <gtest/gtest.h>

namespace {

TEST(Guid, ParsesAndFormatsTheBracedForm) {
  const auto g = com::ParseGuid("{25c27591-171d-41ee-b2a3-3c39dc8a0e55}");
  ASSERT_TRUE(g.has_value());
  EXPECT_EQ(g->Data1, 0x25C27591u);
  EXPECT_EQ(g->Data2, 0x171D);
  EXPECT_EQ(g->Data4[7], 0x55);
  EXPECT_EQ(com::FormatGuid(*g), "{25C27591-171D-41EE-B2A3-3C39DC8A0E55}");
  EXPECT_EQ(com::ParseGuid("25C27591-171D-41EE-B2A3-3C39DC8A0E55"), g);
  EXPECT_FALSE(com::ParseGuid("{25C27591-171D-41EE-B2A3-3C39DC8A0E5}").has_value());
  EXPECT_FALSE(com::ParseGuid("{25C27591-171D-41EE-B2A3-3C39DC8A0E5G}").has_value());
  EXPECT_FALSE(com::ParseGuid("{25C27591+171D-41EE-B2A3-3C39DC8A0E55}").has_value());
}

TEST(Guid, StoredByteLayoutRoundTripsAndNewGuidsDiffer) {
  const GUID g = com::NewGuid();
  std::uint8_t bytes[16];
  com::GuidToBytes(g, bytes);
  EXPECT_EQ(com::GuidFromBytes(bytes), g);
  EXPECT_NE(com::NewGuid(), g);
  EXPECT_EQ(g.Data3 >> 12, 4);
}

TEST(ResultName, KnownCodesByNameOthersByNumber) {
  EXPECT_EQ(com::ResultName(E_FAIL), "E_FAIL");
  EXPECT_EQ(com::ResultName(VFW_E_NOT_CONNECTED), "VFW_E_NOT_CONNECTED");
  EXPECT_EQ(com::ResultName(HRESULT_FROM_WIN32(ERROR_DISK_FULL)), "ERROR_DISK_FULL");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_DISK_FULL), MakeHResult(0x80070070));
  EXPECT_EQ(com::ResultName(MakeHResult(0x80041234)), "0x80041234");
}

}  // namespace
