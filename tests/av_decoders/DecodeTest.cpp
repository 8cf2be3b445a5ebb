// The decoders on a recording of the sample broadcast, played by the
// "MPEG-2 Source": every picture at its real size and aspect, PCM of the
// stream's rate, a damaged picture counted without stopping, seeking and the
// playback rate passed through.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/media/MediaGuids.h"
#include "tests/av_decoders/DecoderGraph.h"
#include "tests/av_decoders/SampleRecording.h"
#include "tests/support/TempFolder.h"

namespace avtest {
namespace {

constexpr LONG kSamplesPerAc3Frame = 1536;
constexpr LONG kPcmFrameBytes = 4;

VIDEOINFOHEADER2 VideoInfo(const AM_MEDIA_TYPE& mt) {
  VIDEOINFOHEADER2 vih;
  EXPECT_EQ(mt.formattype, FORMAT_VideoInfo2);
  EXPECT_GE(mt.cbFormat, sizeof vih);
  if (mt.cbFormat >= sizeof vih) std::memcpy(&vih, mt.pbFormat, sizeof vih);
  return vih;
}

class Decoding : public ::testing::Test {
 protected:
  void Record(int damagedPicture = -1) {
    std::string error;
    ASSERT_TRUE(WriteSampleRecording(folder_.Path(), damagedPicture, recording_, error)) << error;
  }
  testsupport::TempFolder folder_{"av-decoders"};
  SampleRecording recording_;
};

TEST_F(Decoding, EveryPictureComesOutAtTheStreamsSizeAndAspect) {
  Record();
  DecoderGraph g(recording_.path, false);
  // The first picture brings the stream's own type: the source's block says 720 x 480.
  std::mutex mutex;
  std::vector<CMediaType> types;
  std::vector<DWORD> flags;
  g.videoOut->SetCallback([&](IMediaSample* sample) {
    std::lock_guard lock(mutex);
    AM_MEDIA_TYPE* mt = nullptr;
    if (sample->GetMediaType(&mt) == S_OK) {
      types.emplace_back(*mt);
      DeleteMediaType(mt);
    }
    ComPtr<IMediaSample2> sample2;
    AM_SAMPLE2_PROPERTIES props;
    if (SUCCEEDED(sample->QueryInterface(IID_PPV_ARGS(&sample2)))) {
      sample2->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props));
      flags.push_back(props.dwTypeSpecificFlags);
    }
  });
  ASSERT_TRUE(g.RunToCompletion());

  const av::DecoderStats video = g.video->Stats();
  EXPECT_EQ(video.frames, recording_.pictures);
  EXPECT_EQ(video.decodeErrors, 0u);
  EXPECT_EQ(g.videoOut->GetStats().samples, recording_.pictures);
  // Display order, one frame apart, over the recording's length.
  const REFERENCE_TIME frame =
      recording_.duration / static_cast<REFERENCE_TIME>(recording_.pictures);
  EXPECT_NEAR(static_cast<double>(video.lastStart - video.firstStart),
              static_cast<double>(recording_.duration - frame), 2.0 * kUnitsPerMillisecond);

  ASSERT_EQ(types.size(), 1u);
  EXPECT_EQ(types[0].subtype, MEDIASUBTYPE_I420);
  const VIDEOINFOHEADER2 vih = VideoInfo(types[0]);
  EXPECT_EQ(vih.bmiHeader.biWidth, recording_.width);
  EXPECT_EQ(vih.bmiHeader.biHeight, recording_.height);
  EXPECT_EQ(vih.dwPictAspectRatioX, 16u);  // square pixels of 640 x 360
  EXPECT_EQ(vih.dwPictAspectRatioY, 9u);
  EXPECT_EQ(vih.dwInterlaceFlags, 0u);
  EXPECT_EQ(vih.bmiHeader.biSizeImage,
            static_cast<DWORD>(recording_.width * recording_.height * 3 / 2));
  EXPECT_EQ(g.videoOut->GetStats().bytes, recording_.pictures * vih.bmiHeader.biSizeImage);
  // Progressive pictures are shown whole.
  for (DWORD f : flags)
    EXPECT_EQ(f & AM_VIDEO_FLAG_WEAVE, AM_VIDEO_FLAG_WEAVE);

  // AC-3 stereo at 48 kHz comes out as 16-bit PCM, every sample of it.
  const CMediaType pcm = g.audio->OutputPin()->CurrentMediaType();
  ASSERT_EQ(pcm.formattype, FORMAT_WaveFormatEx);
  WAVEFORMATEX wf;
  std::memcpy(&wf, pcm.pbFormat, sizeof wf);
  EXPECT_EQ(pcm.subtype, MEDIASUBTYPE_PCM);
  EXPECT_EQ(wf.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(wf.nChannels, 2);
  EXPECT_EQ(wf.nSamplesPerSec, 48'000u);
  EXPECT_EQ(wf.wBitsPerSample, 16);
  EXPECT_EQ(wf.nBlockAlign, 4);
  EXPECT_EQ(g.audio->Stats().frames, recording_.audioFrames);
  EXPECT_EQ(g.audioOut->GetStats().bytes,
            recording_.audioFrames * kSamplesPerAc3Frame * kPcmFrameBytes);
}

TEST_F(Decoding, ADamagedPictureIsCountedAndDecodingGoesOn) {
  Record(30);
  DecoderGraph g(recording_.path, false);
  ASSERT_TRUE(g.RunToCompletion());
  const av::DecoderStats video = g.video->Stats();
  EXPECT_GE(video.decodeErrors, 1u);
  EXPECT_EQ(video.frames, recording_.pictures);
  EXPECT_EQ(g.audio->Stats().decodeErrors, 0u);
}

TEST_F(Decoding, SeekingThroughTheDecoderMovesTheSource) {
  Record();
  DecoderGraph g(recording_.path, false);
  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(g.videoOut->QueryInterface(IID_PPV_ARGS(&seeking)), S_OK);
  LONGLONG earliest = 0, latest = 0;
  ASSERT_EQ(seeking->GetAvailable(&earliest, &latest), S_OK);
  LONGLONG half = earliest + (latest - earliest) / 2;
  ASSERT_EQ(seeking->SetPositions(&half, AM_SEEKING_AbsolutePositioning, nullptr,
                                  AM_SEEKING_NoPositioning),
            S_OK);
  ASSERT_TRUE(g.RunToCompletion());
  const std::uint64_t frames = g.video->Stats().frames;
  EXPECT_GT(frames, recording_.pictures / 4);
  EXPECT_LT(frames, recording_.pictures * 3 / 4);
}

TEST_F(Decoding, TheFirstPictureAfterAFlushCarriesTheTypeAgain) {
  // The paused renderer holds the picture that brought the stream's size; the
  // seek's flush throws it away, so the next one must bring the size again.
  Record();
  DecoderGraph g(recording_.path, false);
  std::mutex mutex;
  std::vector<bool> typed;
  g.videoOut->SetCallback([&](IMediaSample* sample) {
    AM_MEDIA_TYPE* mt = nullptr;
    const bool carries = sample->GetMediaType(&mt) == S_OK;
    if (carries) DeleteMediaType(mt);
    std::lock_guard lock(mutex);
    typed.push_back(carries);
  });
  ComPtr<IMediaControl> control;
  ASSERT_EQ(g.graph->QueryInterface(IID_PPV_ARGS(&control)), S_OK);
  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  OAFilterState state = State_Stopped;
  ASSERT_EQ(control->GetState(5'000, &state), S_OK);
  LONGLONG start = 0;
  ASSERT_EQ(g.graph->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                  AM_SEEKING_NoPositioning),
            S_OK);
  ASSERT_TRUE(g.RunToCompletion());
  std::lock_guard lock(mutex);
  ASSERT_FALSE(typed.empty());
  EXPECT_TRUE(typed.front());
}

TEST_F(Decoding, RateTwoReachesTheRenderersTwiceAsFast) {
  Record();
  DecoderGraph g(recording_.path, true);
  using Clock = std::chrono::steady_clock;
  std::mutex mutex;
  std::vector<Clock::time_point> rendered;
  g.videoOut->SetCallback([&](IMediaSample*) {
    std::lock_guard lock(mutex);
    rendered.push_back(Clock::now());
  });
  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(g.graph->QueryInterface(IID_PPV_ARGS(&seeking)), S_OK);
  ASSERT_EQ(seeking->SetRate(2.0), S_OK);
  ASSERT_TRUE(g.RunToCompletion());

  const av::DecoderStats video = g.video->Stats();
  ASSERT_EQ(rendered.size(), recording_.pictures);
  const double media = static_cast<double>(video.lastStart - video.firstStart) / 1e7;
  const double wall = std::chrono::duration<double>(rendered.back() - rendered.front()).count();
  EXPECT_GT(wall, media * 0.4);
  EXPECT_LT(wall, media * 0.7);
  // The sound is played in half the time: half as much PCM.
  const double pcm = static_cast<double>(g.audioOut->GetStats().bytes);
  const double atRateOne =
      static_cast<double>(recording_.audioFrames * kSamplesPerAc3Frame * kPcmFrameBytes);
  EXPECT_NEAR(pcm / atRateOne, 0.5, 0.02);
}

}  // namespace
}  // namespace avtest
