#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/com/ComPtr.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/MemAllocator.h"

namespace {

TEST(MediaType, DeepCopiesAndCompares) {
  CMediaType a(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
  a.SetFormatType(&FORMAT_MPEG2Video);
  const BYTE block[] = {1, 2, 3, 4, 5};
  ASSERT_TRUE(a.SetFormat(block, sizeof block));
  CMediaType b = a;
  ASSERT_NE(b.Format(), a.Format());  // a copy, not a shared block
  EXPECT_TRUE(a == b);
  b.Format()[4] = 9;
  EXPECT_FALSE(a == b);

  AM_MEDIA_TYPE* created = CreateMediaType(&a);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->cbFormat, 5u);
  EXPECT_EQ(0, std::memcmp(created->pbFormat, block, 5));
  DeleteMediaType(created);

  CMediaType none;
  none.AllocFormatBuffer(0);
  EXPECT_EQ(none.Format(), nullptr);
  EXPECT_EQ(none.FormatLength(), 0u);
}

TEST(MediaType, PartialTypesMatchOnTheirGivenFields) {
  CMediaType full(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
  full.SetFormatType(&FORMAT_None);
  const CMediaType majorOnly(MEDIATYPE_Video);
  const CMediaType otherMajor(MEDIATYPE_Audio);
  CMediaType otherSub(MEDIATYPE_Video, MEDIASUBTYPE_H264);
  EXPECT_TRUE(majorOnly.IsPartiallySpecified());
  EXPECT_FALSE(full.IsPartiallySpecified());
  EXPECT_TRUE(full.MatchesPartial(&majorOnly));
  EXPECT_FALSE(full.MatchesPartial(&otherMajor));
  EXPECT_FALSE(full.MatchesPartial(&otherSub));
}

TEST(MediaSample, PropertiesTimesAndFlags) {
  ComPtr<CMemAllocator> allocator(new CMemAllocator);
  ALLOCATOR_PROPERTIES want{1, 100, 1, 0}, got;
  ASSERT_EQ(allocator->SetProperties(&want, &got), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
  ComPtr<IMediaSample> sample;
  ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);

  REFERENCE_TIME start = 0, stop = 0;
  EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
  start = 500;
  ASSERT_EQ(sample->SetTime(&start, nullptr), S_OK);
  EXPECT_EQ(sample->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
  EXPECT_EQ(stop, 501);
  stop = 900;
  sample->SetTime(&start, &stop);
  EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
  EXPECT_EQ(stop, 900);

  LONGLONG m0 = 0, m1 = 0;
  EXPECT_EQ(sample->GetMediaTime(&m0, &m1), VFW_E_MEDIA_TIME_NOT_SET);
  m0 = 7;
  m1 = 8;
  sample->SetMediaTime(&m0, &m1);
  m0 = m1 = 0;
  EXPECT_EQ(sample->GetMediaTime(&m0, &m1), S_OK);
  EXPECT_EQ(m0, 7);
  EXPECT_EQ(m1, 8);

  EXPECT_EQ(sample->IsSyncPoint(), S_FALSE);
  sample->SetSyncPoint(TRUE);
  sample->SetDiscontinuity(TRUE);
  sample->SetPreroll(TRUE);
  EXPECT_EQ(sample->IsSyncPoint(), S_OK);
  EXPECT_EQ(sample->IsDiscontinuity(), S_OK);
  EXPECT_EQ(sample->IsPreroll(), S_OK);

  EXPECT_EQ(sample->GetSize(), 100);
  EXPECT_EQ(sample->SetActualDataLength(101), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(sample->SetActualDataLength(40), S_OK);
  EXPECT_EQ(sample->GetActualDataLength(), 40);

  AM_MEDIA_TYPE* type = nullptr;
  EXPECT_EQ(sample->GetMediaType(&type), S_FALSE);
  CMediaType changed(MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3);
  sample->SetMediaType(&changed);
  ASSERT_EQ(sample->GetMediaType(&type), S_OK);
  EXPECT_EQ(type->subtype, MEDIASUBTYPE_DOLBY_AC3);
  DeleteMediaType(type);

  // The section PID travels in the type-specific flags of IMediaSample2.
  ComPtr<IMediaSample2> sample2 = sample.As<IMediaSample2>();
  ASSERT_TRUE(sample2);
  AM_SAMPLE2_PROPERTIES props;
  sample2->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props));
  EXPECT_EQ(props.lActual, 40);
  EXPECT_TRUE(props.dwSampleFlags & AM_SAMPLE_TYPECHANGED);
  props.dwTypeSpecificFlags = 0x1FFB;
  ASSERT_EQ(sample2->SetProperties(sizeof props, reinterpret_cast<BYTE*>(&props)), S_OK);
  AM_SAMPLE2_PROPERTIES back;
  sample2->GetProperties(sizeof back, reinterpret_cast<BYTE*>(&back));
  EXPECT_EQ(back.dwTypeSpecificFlags & 0x1FFFu, 0x1FFBu);

  // Back in the pool the sample forgets everything.
  IMediaSample* raw = sample.Get();
  sample2.Reset();
  sample.Reset();
  ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(sample.Get(), raw);
  EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
  EXPECT_EQ(sample->IsSyncPoint(), S_FALSE);
  EXPECT_EQ(sample->GetMediaType(&type), S_FALSE);
  EXPECT_EQ(sample->GetActualDataLength(), 100);
  sample.Reset();
  allocator->Decommit();
}

TEST(MemAllocator, RoundsToAlignmentWithPrefixAndAlignsBuffers) {
  ComPtr<CMemAllocator> allocator(new CMemAllocator);
  ALLOCATOR_PROPERTIES want{3, 100, 64, 8}, got;
  ASSERT_EQ(allocator->SetProperties(&want, &got), S_OK);
  EXPECT_EQ(got.cBuffers, 3);
  EXPECT_EQ(got.cbPrefix, 8);
  EXPECT_EQ((got.cbBuffer + got.cbPrefix) % 64, 0);
  EXPECT_GE(got.cbBuffer, 100);
  ASSERT_EQ(allocator->Commit(), S_OK);
  ComPtr<IMediaSample> samples[3];
  for (auto& s : samples) {
    ASSERT_EQ(allocator->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    BYTE* p = nullptr;
    s->GetPointer(&p);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p - 8) % 64, 0u);
    std::memset(p - 8, 0xAB, static_cast<std::size_t>(got.cbBuffer + 8));  // prefix is ours
  }
  for (auto& s : samples)
    s.Reset();

  ALLOCATOR_PROPERTIES bad{1, 10, 3, 0};
  allocator->Decommit();
  EXPECT_EQ(allocator->SetProperties(&bad, &got), VFW_E_BADALIGN);
}

TEST(MemAllocator, RefusesChangesWhileCommittedOrOutstanding) {
  ComPtr<CMemAllocator> allocator(new CMemAllocator);
  ALLOCATOR_PROPERTIES none{}, got;
  EXPECT_EQ(allocator->Commit(), VFW_E_SIZENOTSET);
  ComPtr<IMediaSample> s;
  EXPECT_EQ(allocator->GetBuffer(&s, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
  ALLOCATOR_PROPERTIES want{2, 64, 1, 0};
  ASSERT_EQ(allocator->SetProperties(&want, &got), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
  EXPECT_EQ(allocator->SetProperties(&want, &got), VFW_E_ALREADY_COMMITTED);
  ASSERT_EQ(allocator->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
  allocator->Decommit();
  EXPECT_EQ(allocator->SetProperties(&want, &got), VFW_E_BUFFERS_OUTSTANDING);
  s.Reset();
  EXPECT_EQ(allocator->SetProperties(&want, &got), S_OK);
  (void)none;
}

TEST(MemAllocator, GetBufferWaitsForAFreeBufferAndNoWaitTimesOut) {
  ComPtr<CMemAllocator> allocator(new CMemAllocator);
  ALLOCATOR_PROPERTIES want{1, 16, 1, 0}, got;
  allocator->SetProperties(&want, &got);
  allocator->Commit();
  ComPtr<IMediaSample> first;
  ASSERT_EQ(allocator->GetBuffer(&first, nullptr, nullptr, 0), S_OK);
  ComPtr<IMediaSample> none;
  EXPECT_EQ(allocator->GetBuffer(&none, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);

  std::atomic<bool> got2{false};
  std::thread waiter([&] {
    ComPtr<IMediaSample> second;
    EXPECT_EQ(allocator->GetBuffer(&second, nullptr, nullptr, 0), S_OK);
    got2 = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(got2.load());
  first.Reset();  // frees the one buffer: the waiter takes it
  waiter.join();
  EXPECT_TRUE(got2.load());
  allocator->Decommit();
}

TEST(MemAllocator, DecommitWakesAWaiterAndMemoryOutlivesTheAllocatorReference) {
  ComPtr<IMemAllocator> allocator(static_cast<IMemAllocator*>(new CMemAllocator));
  ALLOCATOR_PROPERTIES want{1, 32, 1, 0}, got;
  allocator->SetProperties(&want, &got);
  allocator->Commit();
  ComPtr<IMediaSample> held;
  ASSERT_EQ(allocator->GetBuffer(&held, nullptr, nullptr, 0), S_OK);
  HRESULT waited = S_OK;
  std::thread waiter([&] {
    ComPtr<IMediaSample> s;
    waited = allocator->GetBuffer(&s, nullptr, nullptr, 0);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  allocator->Decommit();
  waiter.join();
  EXPECT_EQ(waited, VFW_E_NOT_COMMITTED);

  // The sample keeps its allocator (and its memory) alive after the last
  // outside reference to the allocator goes.
  const long objects = CUnknown::ObjectsActive();
  allocator.Reset();
  EXPECT_EQ(CUnknown::ObjectsActive(), objects);
  BYTE* p = nullptr;
  held->GetPointer(&p);
  std::memset(p, 1, 32);
  held.Reset();
  EXPECT_EQ(CUnknown::ObjectsActive(), objects - 1);
}

}  // namespace
