#include <gtest/gtest.h>

#include <atomic>

#include "platform/com/ComPtr.h"
#include "platform/com/Stream.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/Sync.h"
#include "platform/media/SystemClock.h"

namespace {

constexpr REFERENCE_TIME kMs = kUnitsPerMillisecond;

TEST(SystemClock, AdviseTimeFiresAtItsTimeAndUnadviseCancels) {
  media::RegisterClasses();
  ComPtr<IReferenceClock> refClock;
  ASSERT_EQ(
      CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&refClock)),
      S_OK);
  REFERENCE_TIME t0 = 0, t1 = 0;
  refClock->GetTime(&t0);
  refClock->GetTime(&t1);
  EXPECT_GE(t1, t0);

  CAMEvent due, cancelled;
  DWORD_PTR cookie = 0, other = 0;
  ASSERT_EQ(refClock->AdviseTime(t0, 30 * kMs, &due, &cookie), S_OK);
  ASSERT_EQ(refClock->AdviseTime(t0, 60 * kMs, &cancelled, &other), S_OK);
  ASSERT_EQ(refClock->Unadvise(other), S_OK);
  EXPECT_EQ(refClock->Unadvise(other), S_FALSE);
  ASSERT_TRUE(due.Wait(2000));
  REFERENCE_TIME now = 0;
  refClock->GetTime(&now);
  EXPECT_GE(now, t0 + 30 * kMs);
  EXPECT_FALSE(cancelled.Wait(100));
  EXPECT_EQ(refClock->AdviseTime(t0, 0, nullptr, &cookie), E_POINTER);
}

TEST(SystemClock, AdvisePeriodicReleasesOncePerPeriod) {
  ComPtr<IReferenceClock> refClock(static_cast<IReferenceClock*>(new CSystemClock));
  REFERENCE_TIME start = 0;
  refClock->GetTime(&start);
  CAMSemaphore ticks;
  DWORD_PTR cookie = 0;
  ASSERT_EQ(refClock->AdvisePeriodic(start + 10 * kMs, 20 * kMs, &ticks, &cookie), S_OK);
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(ticks.Wait(2000)) << i;
  REFERENCE_TIME now = 0;
  refClock->GetTime(&now);
  EXPECT_GE(now, start + 50 * kMs);  // the third tick is at 10 + 2 x 20 ms
  refClock->Unadvise(cookie);
  EXPECT_EQ(refClock->AdvisePeriodic(start, 0, &ticks, &cookie), E_INVALIDARG);
}

}  // namespace

namespace {

// A clock whose own time can be set, as a clock slaved to a stream is.
class CSteppedClock : public CBaseReferenceClock {
 public:
  CSteppedClock() : CBaseReferenceClock("stepped clock") {}
  ~CSteppedClock() override { StopThread(); }
  void Set(REFERENCE_TIME t) {
    now_ = t;
    TriggerThread();
  }

 protected:
  REFERENCE_TIME GetPrivateTime() override { return now_.load(); }

 private:
  std::atomic<REFERENCE_TIME> now_{1000};
};

TEST(BaseReferenceClock, NeverGoesBackAndAdvisesFollowThePrivateTime) {
  ComPtr<CSteppedClock> clock(new CSteppedClock);
  REFERENCE_TIME t = 0;
  clock->GetTime(&t);
  EXPECT_EQ(t, 1000);
  clock->Set(500);  // a step back is not shown
  clock->GetTime(&t);
  EXPECT_EQ(t, 1000);
  CAMEvent due;
  DWORD_PTR cookie = 0;
  ASSERT_EQ(clock->AdviseTime(1000, 5000, &due, &cookie), S_OK);
  EXPECT_FALSE(due.Wait(30));
  clock->Set(6000);
  EXPECT_TRUE(due.Wait(2000));
  clock->GetTime(&t);
  EXPECT_EQ(t, 6000);
}

TEST(MemoryStream, WritesReadsAndSeeks) {
  ComPtr<IStream> stream;
  ASSERT_EQ(com::CreateMemoryStream(nullptr, 0, &stream), S_OK);
  const std::int32_t params[2] = {7, -3};
  ULONG n = 0;
  ASSERT_EQ(stream->Write(params, sizeof params, &n), S_OK);
  EXPECT_EQ(n, 8u);
  ULONGLONG position = 99;
  ASSERT_EQ(stream->Seek(0, STREAM_SEEK_SET, &position), S_OK);
  EXPECT_EQ(position, 0u);
  std::int32_t back[3] = {};
  EXPECT_EQ(stream->Read(back, sizeof back, &n), S_FALSE);  // only 8 of 12 bytes
  EXPECT_EQ(n, 8u);
  EXPECT_EQ(back[0], 7);
  EXPECT_EQ(back[1], -3);
  EXPECT_EQ(stream->Seek(-9, STREAM_SEEK_END, nullptr), E_INVALIDARG);
}

}  // namespace
