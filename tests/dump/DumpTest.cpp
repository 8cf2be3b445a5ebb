#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "common/ErrorBox.h"
#include "filters/dump/Dump.h"
#include "filters/tee/Tee.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MemAllocator.h"
#include "tests/support/Bytes.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"
#include "tests/tee/StreamTestFilters.h"

namespace {

namespace fs = std::filesystem;
using filters::test::TestSink;
using filters::test::TestSource;

std::u16string Wide(const std::string& s) {
  return std::u16string(s.begin(), s.end());
}

// The dump's full-disk events in the graph's queue, waiting up to `timeoutMs`
// for the first.
int DiskFullEvents(IMediaEvent& events, LONG timeoutMs = 0) {
  int count = 0;
  LONG code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  while (events.GetEvent(&code, &param1, &param2, count == 0 ? timeoutMs : 0) == S_OK) {
    if (code != EC_DUMP_DISK_FULL) continue;
    EXPECT_EQ(param1, HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    ++count;
  }
  return count;
}

class DumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    graph_ = new CFilterGraph;
    dump_ = new CDumpFilter;
    graph_->AddFilter(dump_.Get(), u"TS Sink");
  }
  void TearDown() override {
    dump_->Stop();
    if (source_) source_->Stop();
    graph_ = nullptr;
  }
  void ConnectSource() {
    source_ = new TestSource;
    graph_->AddFilter(source_.Get(), u"Source");
    ASSERT_EQ(graph_->ConnectDirect(source_->Output(), dump_->InputPin(), nullptr), S_OK);
    ASSERT_EQ(dump_->Pause(), S_OK);
    ASSERT_EQ(source_->Pause(), S_OK);
  }
  // Hands a sample straight to the dump's pin (the source's allocator goes
  // when the dump stops itself).
  HRESULT ReceiveDirect(std::span<const std::uint8_t> bytes) {
    ComPtr<IMemAllocator> allocator(new CMemAllocator);
    ALLOCATOR_PROPERTIES want, got;
    want.cBuffers = 1;
    want.cbBuffer = static_cast<LONG>(bytes.size());
    allocator->SetProperties(&want, &got);
    allocator->Commit();
    ComPtr<IMediaSample> sample;
    allocator->GetBuffer(&sample, nullptr, nullptr, 0);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    sample->SetActualDataLength(static_cast<LONG>(bytes.size()));
    return dump_->InputPin()->Receive(sample.Get());
  }
  std::u16string CurFile() {
    LPWSTR name = nullptr;
    EXPECT_EQ(dump_->GetCurFile(&name, nullptr), S_OK);
    std::u16string result = name ? name : u"(none)";
    CoTaskMemFree(name);
    return result;
  }

  testsupport::TempFolder folder_{"corvane-dump"};
  const fs::path dir_ = folder_.Path();
  ComPtr<CFilterGraph> graph_;
  ComPtr<CDumpFilter> dump_;
  ComPtr<TestSource> source_;
};

TEST_F(DumpTest, NamesOf260UnitsOrMoreAreRefusedWith206AndChangeNothing) {
  const std::string good = (dir_ / "a.ts").string();
  ASSERT_EQ(dump_->SetFileName(Wide(good).c_str(), nullptr), S_OK);
  const std::u16string tooLong(260, u'x');
  EXPECT_EQ(dump_->SetFileName(tooLong.c_str(), nullptr), 206);
  EXPECT_EQ(dump_->SetFileName(std::u16string(1000, u'x').c_str(), nullptr), 206);
  EXPECT_EQ(CurFile(), Wide(good));

  // 259 units fit the field: the name is taken (the folder does not exist, so
  // the file cannot be made).
  const std::u16string longest = u"/nonexistent-corvane/" + std::u16string(238, u'y');
  ASSERT_EQ(longest.size(), 259u);
  const HRESULT hr = dump_->SetFileName(longest.c_str(), nullptr);
  EXPECT_NE(hr, 206);
  EXPECT_TRUE(FAILED(hr));
  EXPECT_EQ(CurFile(), longest);
}

TEST_F(DumpTest, NamesThatCannotBecomeSystemNamesGive123) {
  EXPECT_EQ(dump_->SetFileName(u"", nullptr), 123);
  const char16_t loneSurrogate[] = {u'a', 0xD800, u'b', 0};
  EXPECT_EQ(dump_->SetFileName(loneSurrogate, nullptr), 123);
  // 100 characters, but 300 bytes in the system's code page.
  const std::u16string wide(100, u'\u4E2D');
  EXPECT_EQ(dump_->SetFileName(wide.c_str(), nullptr), 123);
}

TEST_F(DumpTest, WithoutANameSamplesAreAcceptedAndDiscarded) {
  ConnectSource();
  EXPECT_EQ(CurFile(), u"(none)");
  const std::uint8_t bytes[] = {1, 2, 3};
  EXPECT_EQ(source_->Send(bytes), S_OK);
  // A null name closes the file.
  const fs::path file = dir_ / "closed.ts";
  ASSERT_EQ(dump_->SetFileName(Wide(file.string()).c_str(), nullptr), S_OK);
  ASSERT_EQ(source_->Send(bytes), S_OK);
  EXPECT_EQ(dump_->SetFileName(nullptr, nullptr), S_OK);
  EXPECT_EQ(CurFile(), u"(none)");
  EXPECT_EQ(source_->Send(bytes), S_OK);
  EXPECT_EQ(fs::file_size(file), 3u);
}

TEST_F(DumpTest, TheFileHoldsExactlyThePayloadsInArrivalOrder) {
  const fs::path first = dir_ / "first.ts";
  {
    std::ofstream old(first, std::ios::binary);
    old << "old contents that must go";
  }
  ASSERT_EQ(dump_->SetFileName(Wide(first.string()).c_str(), nullptr), S_OK);
  ConnectSource();
  std::vector<std::uint8_t> expected;
  for (int i = 0; i < 40; ++i) {
    std::vector<std::uint8_t> payload(static_cast<std::size_t>((i * 37) % 1000));
    for (std::size_t j = 0; j < payload.size(); ++j)
      payload[j] = static_cast<std::uint8_t>(i * 7 + j);
    ASSERT_EQ(source_->Send(payload), S_OK);
    expected.insert(expected.end(), payload.begin(), payload.end());
  }
  EXPECT_EQ(testsupport::ReadBytes(first), expected);

  // A new name starts a new file; the old one keeps what it got.
  const fs::path second = dir_ / "second.ts";
  ASSERT_EQ(dump_->SetFileName(Wide(second.string()).c_str(), nullptr), S_OK);
  const std::uint8_t more[] = {9, 8, 7};
  ASSERT_EQ(source_->Send(more), S_OK);
  EXPECT_EQ(testsupport::ReadBytes(first), expected);
  EXPECT_EQ(testsupport::ReadBytes(second),
            std::vector<std::uint8_t>(std::begin(more), std::end(more)));

  AM_MEDIA_TYPE mt;
  mt.majortype = MEDIATYPE_Video;
  LPWSTR name = nullptr;
  ASSERT_EQ(dump_->GetCurFile(&name, &mt), S_OK);
  EXPECT_EQ(std::u16string(name), Wide(second.string()));
  EXPECT_EQ(mt.majortype, GUID_NULL);
  CoTaskMemFree(name);
}

TEST_F(DumpTest, AFullDiskStopsTheDumpWithItsEventUntilANewName) {
  common::ErrorCapture boxes;
  ASSERT_EQ(dump_->SetFileName(u"/dev/full", nullptr), S_OK);
  ConnectSource();
  const std::uint8_t bytes[188] = {0x47};
  EXPECT_EQ(source_->Send(bytes), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
  EXPECT_EQ(dump_->State(), State_Stopped);
  EXPECT_EQ(DiskFullEvents(*graph_.Get()), 1);
  EXPECT_TRUE(boxes.Messages().empty());  // the streaming thread raises no box

  // Started again without a new name it writes nothing and says nothing.
  ASSERT_EQ(dump_->Pause(), S_OK);
  EXPECT_EQ(ReceiveDirect(bytes), S_OK);
  EXPECT_EQ(DiskFullEvents(*graph_.Get()), 0);

  // A new name clears the error; the next failed write reports again.
  ASSERT_EQ(dump_->SetFileName(u"/dev/full", nullptr), S_OK);
  EXPECT_EQ(ReceiveDirect(bytes), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
  EXPECT_EQ(DiskFullEvents(*graph_.Get()), 1);
  EXPECT_EQ(dump_->State(), State_Stopped);
}

TEST_F(DumpTest, BehindATeeAFullDiskStopsOnlyTheDump) {
  ComPtr<CTee> tee(new CTee);
  ComPtr<TestSink> sink(new TestSink);
  source_ = new TestSource;
  graph_->AddFilter(tee.Get(), u"Smart Tee");
  graph_->AddFilter(sink.Get(), u"Demux");
  graph_->AddFilter(source_.Get(), u"Source");
  ASSERT_EQ(graph_->ConnectDirect(source_->Output(), tee->InputPin(), nullptr), S_OK);
  ASSERT_EQ(graph_->ConnectDirect(tee->OutputPin(0), dump_->InputPin(), nullptr), S_OK);
  ASSERT_EQ(graph_->ConnectDirect(tee->OutputPin(1), sink->Input(), nullptr), S_OK);
  ASSERT_EQ(dump_->SetFileName(u"/dev/full", nullptr), S_OK);
  ASSERT_EQ(dump_->Pause(), S_OK);
  ASSERT_EQ(sink->Pause(), S_OK);
  ASSERT_EQ(tee->Pause(), S_OK);
  ASSERT_EQ(source_->Pause(), S_OK);

  const std::uint8_t bytes[188] = {0x47};
  ASSERT_EQ(source_->Send(bytes), S_OK);
  ASSERT_EQ(DiskFullEvents(*graph_.Get(), 5000), 1);
  for (int i = 0; i < 20; ++i)
    ASSERT_EQ(source_->Send(bytes), S_OK) << i;  // the shared allocator still works
  EXPECT_EQ(sink->Payloads().size(), 21u);
  EXPECT_EQ(dump_->State(), State_Stopped);
  EXPECT_EQ(DiskFullEvents(*graph_.Get()), 0);
  EXPECT_EQ(tee->State(), State_Paused);

  source_->Stop();
  tee->Stop();
  sink->Stop();
}

TEST_F(DumpTest, SeekingIsPassedUpstream) {
  ComPtr<IMediaSeeking> seeking;
  EXPECT_EQ(dump_->QueryInterface(IID_PPV_ARGS(&seeking)), S_OK);
  ComPtr<IFileSinkFilter> sink;
  EXPECT_EQ(dump_->QueryInterface(IID_PPV_ARGS(&sink)), S_OK);
  LONGLONG duration = 0;
  EXPECT_EQ(seeking->GetDuration(&duration), E_NOTIMPL);  // nothing upstream
}

}  // namespace
