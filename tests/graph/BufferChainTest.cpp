// The recording chain behind the ingest chain's demultiplexer, built on a
// capture received through a virtual tuner.
#include "graph/buffer/BufferChain.h"

#include <gtest/gtest.h>

#include "common/Utf16.h"
#include "graph/capture/CaptureReceiver.h"
#include "tests/vtuner/TestCapture.h"

namespace graph::test {
namespace {

class BufferChainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto capture = folder_.Write("capture.ts", vtuner::test::MakeCapture({}));
    std::string error;
    ASSERT_TRUE(receiver_.Prepare(capture, {tuning::kAntennaUs, 31, tuning::kVsb8}, &error))
        << error;
    ASSERT_TRUE(receiver_.Build(&error)) << error;
  }

  bool InGraph(const char16_t* name) {
    ComPtr<IBaseFilter> filter;
    return SUCCEEDED(receiver_.Ingest().Graph()->FindFilterByName(name, &filter));
  }

  vtuner::test::TempFolder folder_;
  CaptureReceiver receiver_;
};

TEST_F(BufferChainTest, EverySinkInputIsConnected) {
  BufferChain chain;
  std::string error;
  ASSERT_EQ(chain.Build(receiver_.Ingest(), common::FromUtf8((folder_.Path() / "r.mpg").string()),
                        &error),
            S_OK)
      << error;
  ComPtr<IEnumPins> pins;
  ASSERT_EQ(chain.Sink()->EnumPins(&pins), S_OK);
  int inputs = 0;
  for (ComPtr<IPin> pin; pins->Next(1, &pin, nullptr) == S_OK; pin = nullptr) {
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    pin->QueryDirection(&direction);
    if (direction != PINDIR_INPUT) continue;
    ++inputs;
    ComPtr<IPin> peer;
    EXPECT_EQ(pin->ConnectedTo(&peer), S_OK);
  }
  EXPECT_EQ(inputs, 3);  // video, audio, text
  EXPECT_NE(chain.PollText(), nullptr);
}

TEST_F(BufferChainTest, TearDownLeavesTheIngestChain) {
  BufferChain chain;
  std::string error;
  ASSERT_EQ(chain.Build(receiver_.Ingest(), common::FromUtf8((folder_.Path() / "r.mpg").string()),
                        &error),
            S_OK);
  chain.TearDown();
  for (const char16_t* name : {u"Video Analyzer", u"MPEG-2 Sink", u"Text Source"})
    EXPECT_FALSE(InGraph(name)) << common::ToUtf8(name);
  EXPECT_TRUE(InGraph(u"Demux"));
}

TEST_F(BufferChainTest, AFileTheSinkCannotWriteFailsWithTheStepNamed) {
  BufferChain chain;
  std::string error;
  const auto blocked = folder_.Write("plain-file", std::vector<std::uint8_t>{1});
  EXPECT_TRUE(FAILED(
      chain.Build(receiver_.Ingest(), common::FromUtf8((blocked / "r.mpg").string()), &error)));
  EXPECT_TRUE(error.starts_with("Can't set the recording file name. Error: ")) << error;
}

}  // namespace
}  // namespace graph::test
