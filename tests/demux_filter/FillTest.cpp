// Engine samples copied into media samples, and the PID map enumerator.
#include <gtest/gtest.h>

#include "demux/filter/MediaSampleFill.h"
#include "demux/filter/PidMapEnumerator.h"
#include "platform/com/ComPtr.h"
#include "platform/media/MemAllocator.h"

namespace demux {
namespace {

class FillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    allocator = new CMemAllocator;
    ALLOCATOR_PROPERTIES want, got;
    want.cBuffers = 1;
    want.cbBuffer = 4096;
    want.cbAlign = 1;
    ASSERT_EQ(allocator->SetProperties(&want, &got), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    ASSERT_EQ(allocator->GetBuffer(&media, nullptr, nullptr, 0), S_OK);
  }
  void TearDown() override {
    media = nullptr;
    allocator->Decommit();
  }
  DWORD TypeSpecificFlags() {
    ComPtr<IMediaSample2> extended = media.As<IMediaSample2>();
    AM_SAMPLE2_PROPERTIES props;
    extended->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props));
    return props.dwTypeSpecificFlags;
  }

  ComPtr<CMemAllocator> allocator;
  ComPtr<IMediaSample> media;
};

TEST_F(FillTest, CarriesDataTimesFlagsAndPid) {
  const std::uint8_t bytes[] = {0xC7, 0xF0, 0x01, 0x42};
  Sample sample;
  sample.data = bytes;
  sample.pid = 0x1FFB;
  sample.flags = kSampleTimeValid | kSampleSyncPoint | kSampleDiscontinuity;
  sample.startTime = 123'456;
  ASSERT_EQ(FillMediaSample(sample, media.Get()), S_OK);

  EXPECT_EQ(media->GetActualDataLength(), 4);
  BYTE* data = nullptr;
  media->GetPointer(&data);
  EXPECT_TRUE(std::equal(std::begin(bytes), std::end(bytes), data));
  REFERENCE_TIME start = 0, stop = 0;
  EXPECT_EQ(media->GetTime(&start, &stop), S_OK);
  EXPECT_EQ(start, 123'456);
  EXPECT_GT(stop, start);
  EXPECT_EQ(media->IsSyncPoint(), S_OK);
  EXPECT_EQ(media->IsDiscontinuity(), S_OK);
  EXPECT_EQ(TypeSpecificFlags(), 0x1FFBu);

  // Reused for an untimed sample without flags: nothing of the last one stays.
  sample.flags = 0;
  sample.pid = 0x31;
  ASSERT_EQ(FillMediaSample(sample, media.Get()), S_OK);
  EXPECT_EQ(media->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
  EXPECT_EQ(media->IsSyncPoint(), S_FALSE);
  EXPECT_EQ(media->IsDiscontinuity(), S_FALSE);
  EXPECT_EQ(TypeSpecificFlags(), 0x31u);
}

TEST_F(FillTest, RefusesDataLargerThanTheBuffer) {
  const std::uint8_t small[] = {1, 2, 3};
  Sample sample;
  sample.data = small;
  ASSERT_EQ(FillMediaSample(sample, media.Get()), S_OK);
  const std::vector<std::uint8_t> big(4097, 0xAA);
  sample.data = big;
  EXPECT_EQ(FillMediaSample(sample, media.Get()), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(media->GetActualDataLength(), 3);
  BYTE* data = nullptr;
  media->GetPointer(&data);
  EXPECT_EQ(data[0], 1);
}

TEST(PidMapEnumerator, NextSkipResetAndClone) {
  ComPtr<IEnumPIDMap> maps(new CPidMapEnumerator(
      {{0x10, MEDIA_MPEG2_PSI}, {0x31, MEDIA_ELEMENTARY_STREAM}, {0x34, MEDIA_TRANSPORT_PACKET}}));
  PID_MAP got[4];
  ULONG received = 0;
  ASSERT_EQ(maps->Next(1, got, &received), S_OK);
  EXPECT_EQ(got[0].ulPID, 0x10u);
  ComPtr<IEnumPIDMap> clone;
  ASSERT_EQ(maps->Clone(&clone), S_OK);
  EXPECT_EQ(maps->Next(4, got, &received), S_FALSE);
  EXPECT_EQ(received, 2u);
  EXPECT_EQ(got[0].ulPID, 0x31u);
  EXPECT_EQ(got[1].MediaSampleContent, MEDIA_TRANSPORT_PACKET);
  EXPECT_EQ(maps->Next(1, got, &received), S_FALSE);
  EXPECT_EQ(received, 0u);
  // The clone kept the position it was made at.
  ASSERT_EQ(clone->Next(1, got, &received), S_OK);
  EXPECT_EQ(got[0].ulPID, 0x31u);
  EXPECT_EQ(maps->Reset(), S_OK);
  EXPECT_EQ(maps->Skip(2), S_OK);
  EXPECT_EQ(maps->Skip(2), S_FALSE);
  EXPECT_EQ(maps->Next(2, got, nullptr), E_POINTER);
}

}  // namespace
}  // namespace demux
