// The caption filter built into the test program: pins, media types, buffer
// rules, the samples it delivers, the events that reset its extractor, and
// its property page.
#include <gtest/gtest.h>

#include <filesystem>

#include "capsift/dll/CFilter.h"
#include "capsift/dll/CProperties.h"
#include "capsift/dll/Cea608Text.h"
#include "capsift/dll/ModulePath.h"
#include "platform/com/TaskMemory.h"
#include "tests/capsift/EsBuilder.h"
#include "tests/capsift_dll/CaptionChecks.h"
#include "tests/capsift_dll/CaptionGraph.h"

namespace capsift::test {
namespace {

ComPtr<CFilter> NewFilter() {
  HRESULT hr = S_OK;
  ComPtr<CFilter> filter(static_cast<CFilter*>(CFilter::CreateInstance(nullptr, &hr)));
  EXPECT_EQ(hr, S_OK);
  return filter;
}

std::u16string PinName(IPin* pin) {
  PIN_INFO info;
  pin->QueryPinInfo(&info);
  if (info.pFilter != nullptr) info.pFilter->Release();
  return info.achName;
}

HRESULT Accepts(IPin* pin, const GUID& major, const GUID& sub) {
  CMediaType type(major, sub);
  return pin->QueryAccept(&type);
}

std::vector<std::uint8_t> Pair(char a, char b) {
  return {WithOddParity(static_cast<std::uint8_t>(a)), WithOddParity(static_cast<std::uint8_t>(b))};
}

// Sequence header, I picture with pair `i`, P picture with pair `p`.
std::vector<std::uint8_t> SequenceIP(const std::vector<std::uint8_t>& i,
                                     const std::vector<std::uint8_t>& p, bool end) {
  EsBuilder es;
  es.SequenceHeader().Group().Picture(1, {Field1(i[0], i[1])}).Picture(2, {Field1(p[0], p[1])});
  if (end) es.SequenceEnd();
  return es.Bytes();
}

TEST(CaptionFilter, PinsInterfacesAndPages) {
  auto filter = NewFilter();
  ASSERT_TRUE(filter);
  EXPECT_EQ(filter->GetPinCount(), 2);
  EXPECT_EQ(filter->GetPin(2), nullptr);
  EXPECT_EQ(filter->GetPin(-1), nullptr);
  EXPECT_EQ(PinName(PinOf(filter.Get(), 0)), u"MPEG-2 Video ES");
  EXPECT_EQ(PinName(PinOf(filter.Get(), 1)), u"Line 21");

  CLSID clsid;
  filter->GetClassID(&clsid);
  EXPECT_EQ(clsid, CLSID_CCParser);
  ComPtr<ICCParserParams> params;
  EXPECT_EQ(filter->QueryInterface(IID_PPV_ARGS(&params)), S_OK);
  ComPtr<IAMovieSetup> setup;
  EXPECT_EQ(filter->QueryInterface(IID_PPV_ARGS(&setup)), S_OK);
  ComPtr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(filter->QueryInterface(IID_PPV_ARGS(&pages)), S_OK);
  CAUUID ids;
  ASSERT_EQ(pages->GetPages(&ids), S_OK);
  ASSERT_EQ(ids.cElems, 1u);
  EXPECT_EQ(ids.pElems[0], CLSID_CCParserPropertyPage);
  CoTaskMemFree(ids.pElems);

  LONG values[2] = {17, -4};
  EXPECT_EQ(params->GetParams(values), S_OK);
  EXPECT_EQ(values[0], 17);
  EXPECT_EQ(values[1], -4);
  EXPECT_EQ(params->SetParams(1, 2), S_OK);
}

TEST(CaptionFilter, InputTakesMpeg2AndH264VideoOnly) {
  auto filter = NewFilter();
  IPin* input = PinOf(filter.Get(), 0);
  EXPECT_EQ(Accepts(input, MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO), S_OK);
  EXPECT_EQ(Accepts(input, MEDIATYPE_Video, MEDIASUBTYPE_H264), S_OK);
  EXPECT_NE(Accepts(input, MEDIATYPE_Audio, MEDIASUBTYPE_MPEG2_VIDEO), S_OK);
  EXPECT_NE(Accepts(input, MEDIATYPE_Video, MEDIASUBTYPE_PCM), S_OK);
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(input->EnumMediaTypes(&types), S_OK);
  AM_MEDIA_TYPE* type = nullptr;
  ULONG fetched = 0;
  EXPECT_NE(types->Next(1, &type, &fetched), S_OK);
  EXPECT_EQ(fetched, 0u);

  // An unacceptable source type is refused at connection.
  CaptionGraph g(filter.Get(), CMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3));
  EXPECT_TRUE(FAILED(g.ConnectInput()));
}

TEST(CaptionFilter, OutputWaitsForInputAndAgreesTwentyBuffersOf256Bytes) {
  auto filter = NewFilter();
  COutputPin* output = filter->OutputPin();
  CMediaType offered;
  EXPECT_EQ(output->GetMediaType(-1, &offered), E_INVALIDARG);
  EXPECT_EQ(output->GetMediaType(1, &offered), VFW_S_NO_MORE_ITEMS);
  ASSERT_EQ(output->GetMediaType(0, &offered), S_OK);
  EXPECT_EQ(offered.majortype, MEDIATYPE_AUXLine21Data);
  EXPECT_EQ(offered.subtype, MEDIASUBTYPE_Line21_BytePair);
  EXPECT_EQ(offered.formattype, GUID_NULL);
  EXPECT_TRUE(offered.bFixedSizeSamples);
  EXPECT_FALSE(offered.bTemporalCompression);
  EXPECT_EQ(offered.lSampleSize, 256u);
  EXPECT_EQ(offered.cbFormat, 0u);

  CaptionGraph g(filter.Get());
  EXPECT_TRUE(FAILED(g.ConnectOutput()));
  EXPECT_EQ(output->CheckMediaType(&offered), S_FALSE);
  ComPtr<IMemAllocator> allocator(new CMemAllocator);
  ALLOCATOR_PROPERTIES request;
  EXPECT_EQ(output->DecideBufferSize(allocator.Get(), &request), E_UNEXPECTED);

  ASSERT_EQ(g.ConnectInput(), S_OK);
  EXPECT_EQ(output->CheckMediaType(&offered), S_OK);
  const CMediaType video(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
  EXPECT_NE(output->CheckMediaType(&video), S_OK);
  ASSERT_EQ(g.ConnectOutput(), S_OK);
  ALLOCATOR_PROPERTIES granted;
  ASSERT_NE(output->Allocator(), nullptr);
  output->Allocator()->GetProperties(&granted);
  EXPECT_GE(granted.cBuffers, 20);
  EXPECT_GE(granted.cbBuffer, 256);
}

// An allocator that grants less than asked.
class CStingyAllocator : public CMemAllocator {
 public:
  CStingyAllocator(LONG maxBuffers, LONG maxSize) : maxBuffers_(maxBuffers), maxSize_(maxSize) {}
  HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override {
    ALLOCATOR_PROPERTIES capped = *request;
    capped.cBuffers = std::min(capped.cBuffers, maxBuffers_);
    capped.cbBuffer = std::min(capped.cbBuffer, maxSize_);
    return CMemAllocator::SetProperties(&capped, actual);
  }

 private:
  LONG maxBuffers_, maxSize_;
};

TEST(CaptionFilter, TooFewOrTooSmallBuffersFailTheConnection) {
  auto filter = NewFilter();
  CaptionGraph g(filter.Get());
  ASSERT_EQ(g.ConnectInput(), S_OK);
  ALLOCATOR_PROPERTIES request;
  ComPtr<IMemAllocator> few(new CStingyAllocator(19, 4096));
  EXPECT_EQ(filter->OutputPin()->DecideBufferSize(few.Get(), &request), E_FAIL);
  ComPtr<IMemAllocator> small(new CStingyAllocator(64, 255));
  EXPECT_EQ(filter->OutputPin()->DecideBufferSize(small.Get(), &request), E_FAIL);
  ComPtr<IMemAllocator> enough(new CStingyAllocator(20, 256));
  EXPECT_EQ(filter->OutputPin()->DecideBufferSize(enough.Get(), &request), S_OK);
}

// Two sequences, the second in its own sample: what comes out depends on
// whether something resets the extractor between them.
enum class Between { kNothing, kDiscontinuity, kMediaType, kFlush, kStateChanges };

std::vector<CCaptureRenderer::Sample> RunTwoSequences(Between between) {
  auto filter = NewFilter();
  CaptionGraph g(filter.Get());
  EXPECT_EQ(g.Connect(), S_OK);
  EXPECT_TRUE(SUCCEEDED(g.control->Run()));
  ComPtr<IMemInputPin> input;
  PinOf(filter.Get(), 0)->QueryInterface(IID_PPV_ARGS(&input));
  SampleMaker maker;

  const auto first = SequenceIP(Pair('X', 'x'), Pair('Y', 'y'), false);
  const auto second = SequenceIP(Pair('Z', 'z'), Pair('W', 'w'), true);
  EXPECT_EQ(input->Receive(maker.Make(first, 1000).Get()), S_OK);
  IPin* inputPin = PinOf(filter.Get(), 0);
  if (between == Between::kFlush) {
    EXPECT_EQ(inputPin->BeginFlush(), S_OK);
    EXPECT_EQ(inputPin->EndFlush(), S_OK);
  }
  if (between == Between::kStateChanges) {
    g.control->Stop();
    g.control->Pause();
    g.control->Run();
  }
  const CMediaType type(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
  EXPECT_EQ(input->Receive(maker
                               .Make(second, 2000, between == Between::kDiscontinuity,
                                     between == Between::kMediaType ? &type : nullptr)
                               .Get()),
            S_OK);
  EXPECT_EQ(inputPin->EndOfStream(), S_OK);
  EXPECT_TRUE(g.WaitForEndOfStream());
  return g.renderer->Samples();
}

TEST(CaptionFilter, DeliversOneSamplePerUnitWithTheUnitsTimes) {
  ExpectSamples(RunTwoSequences(Between::kNothing), {{Pair('X', 'x'), 1000},
                                                     {Pair('Y', 'y'), 1000},
                                                     {Pair('Z', 'z'), 2000},
                                                     {Pair('W', 'w'), 2000}});
}

TEST(CaptionFilter, StateChangesLeaveTheExtractorAlone) {
  ExpectSamples(RunTwoSequences(Between::kStateChanges), {{Pair('X', 'x'), 1000},
                                                          {Pair('Y', 'y'), 1000},
                                                          {Pair('Z', 'z'), 2000},
                                                          {Pair('W', 'w'), 2000}});
}

TEST(CaptionFilter, DiscontinuityTypeChangeAndFlushResetTheExtractor) {
  for (Between between : {Between::kDiscontinuity, Between::kMediaType, Between::kFlush}) {
    SCOPED_TRACE(static_cast<int>(between));
    // The first sequence's held frames are lost; the second comes out whole.
    ExpectSamples(RunTwoSequences(between), {{Pair('Z', 'z'), 2000}, {Pair('W', 'w'), 2000}});
  }
}

TEST(CaptionFilter, H264ConnectsButYieldsNothing) {
  auto filter = NewFilter();
  CaptionGraph g(filter.Get(), CMediaType(MEDIATYPE_Video, MEDIASUBTYPE_H264));
  ASSERT_EQ(g.Connect(), S_OK);
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  // Access unit delimiter, SPS, PPS, SEI with A/53 captions, IDR slice.
  const std::vector<std::uint8_t> nal = {
      0x00, 0x00, 0x00, 0x01, 0x09, 0xF0, 0x00, 0x00, 0x01, 0x67, 0x4D, 0x40, 0x1E, 0x00,
      0x00, 0x01, 0x68, 0xEE, 0x3C, 0x80, 0x00, 0x00, 0x01, 0x06, 0x04, 0x0E, 0xB5, 0x00,
      0x31, 'G',  'A',  '9',  '4',  0x03, 0xC1, 0xFF, 0xFC, 0x94, 0x2C, 0xFF, 0x80, 0x00,
      0x00, 0x01, 0x65, 0x88, 0x84, 0x00, 0x33, 0x00, 0x00, 0x01, 0x09, 0xF0};
  for (int i = 0; i < 30; ++i)
    g.source->Stream()->Queue({nal, i * 333667, false});
  g.source->Stream()->QueueEndOfStream();
  ASSERT_TRUE(g.WaitForEndOfStream());
  EXPECT_TRUE(g.renderer->Samples().empty());
}

TEST(CaptionFilter, ReceiveWhileStoppedIsRefused) {
  auto filter = NewFilter();
  CaptionGraph g(filter.Get());
  ASSERT_EQ(g.Connect(), S_OK);
  ComPtr<IMemInputPin> input;
  PinOf(filter.Get(), 0)->QueryInterface(IID_PPV_ARGS(&input));
  SampleMaker maker;
  EXPECT_EQ(input->Receive(maker.Make(SequenceIP(Pair('A', 'a'), Pair('B', 'b'), true)).Get()),
            VFW_E_WRONG_STATE);
}

TEST(CaptionFilter, A128PairUnitFillsOneBufferExactly) {
  auto filter = NewFilter();
  CaptionGraph g(filter.Get());
  ASSERT_EQ(g.Connect(), S_OK);
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  std::vector<CcConstruct> many;
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 128; ++i) {
    const auto pair = Pair(static_cast<char>('A' + i % 26), static_cast<char>('a' + i % 26));
    many.push_back(Field1(pair[0], pair[1]));
    bytes.insert(bytes.end(), pair.begin(), pair.end());
  }
  // cc_count holds 31 constructs at most: spread the pairs over user data
  // structures of one picture.
  EsBuilder es;
  es.SequenceHeader().Group().PictureHeader(1);
  for (std::size_t i = 0; i < many.size(); i += 31) {
    es.CcUserData({many.begin() + static_cast<long>(i),
                   many.begin() + static_cast<long>(std::min(many.size(), i + 31))});
  }
  es.Slice().SequenceEnd();
  ComPtr<IMemInputPin> input;
  PinOf(filter.Get(), 0)->QueryInterface(IID_PPV_ARGS(&input));
  SampleMaker maker;
  ASSERT_EQ(input->Receive(maker.Make(es.Bytes(), 5000).Get()), S_OK);
  PinOf(filter.Get(), 0)->EndOfStream();
  ASSERT_TRUE(g.WaitForEndOfStream());
  ExpectSamples(g.renderer->Samples(), {{bytes, 5000}});
}

// A parameter interface that records what the page does with it.
class CFakeParser : public CUnknown, public ICCParserParams {
 public:
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_ICCParserParams)
      return GetInterface(static_cast<ICCParserParams*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT GetParams(LONG* params) override {
    ++gets;
    params[0] = 12;
    params[1] = -7;
    return S_OK;
  }
  HRESULT SetParams(LONG a, LONG b) override {
    sets.push_back({a, b});
    return S_OK;
  }
  HRESULT SetPageWindow(OAHWND w, IPropertyPage* p) override {
    window = w;
    page = p;
    ++windows;
    return S_OK;
  }
  int gets = 0, windows = 0;
  std::vector<std::pair<LONG, LONG>> sets;
  OAHWND window = 0;
  IPropertyPage* page = nullptr;
};

TEST(CaptionProperties, ConnectActivateApplyAndDisconnect) {
  ComPtr<CFakeParser> parser(new CFakeParser);
  HRESULT hr = S_OK;
  ComPtr<CProperties> page(static_cast<CProperties*>(CProperties::CreateInstance(nullptr, &hr)));
  PROPPAGEINFO info;
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_EQ(info.title, u"About");
  EXPECT_EQ(info.dialogId, 101);

  IUnknown* object = static_cast<ICCParserParams*>(parser.Get());
  ASSERT_EQ(page->SetObjects(1, &object), S_OK);
  EXPECT_EQ(parser->gets, 1);
  EXPECT_EQ(parser->windows, 1);
  EXPECT_EQ(parser->page, static_cast<IPropertyPage*>(page.Get()));

  // Commands before activation do not make the page dirty.
  page->SendMessage(WM_COMMAND, kParam1FieldId, 0);
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);

  ASSERT_EQ(page->Activate(0, FALSE), S_OK);
  EXPECT_EQ(page->GetDlgItemText(kParam1FieldId), u"12");
  EXPECT_EQ(page->GetDlgItemText(kParam2FieldId), u"-7");
  EXPECT_EQ(page->ListBoxStrings(kListBoxId), std::vector<std::u16string>{u"String"});
  EXPECT_EQ(page->GetDlgItemText(kNameTextId), u"Tallowmark capsift");

  page->SetDlgItemText(kParam1FieldId, u"345");
  page->SetDlgItemText(kParam2FieldId, u"-6");
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  page->SendMessage(WM_COMMAND, kParam1FieldId, 0);
  EXPECT_EQ(page->IsPageDirty(), S_OK);
  ASSERT_EQ(page->Apply(), S_OK);
  ASSERT_EQ(parser->sets.size(), 1u);
  EXPECT_EQ(parser->sets[0], (std::pair<LONG, LONG>{345, -6}));

  page->SetDlgItemText(kParam2FieldId, u"88");
  ASSERT_EQ(page->Deactivate(), S_OK);
  EXPECT_EQ(page->Param1(), 345);
  EXPECT_EQ(page->Param2(), 88);

  ASSERT_EQ(page->SetObjects(0, nullptr), S_OK);
  EXPECT_EQ(parser->page, nullptr);  // the filter keeps no pointer to a page that went
}

TEST(CaptionProperties, RefusesObjectsWithoutTheParameterInterface) {
  auto filter = NewFilter();
  ComPtr<CMemAllocator> notAParser(new CMemAllocator);
  HRESULT hr = S_OK;
  ComPtr<CProperties> page(static_cast<CProperties*>(CProperties::CreateInstance(nullptr, &hr)));
  IUnknown* object = static_cast<IMemAllocator*>(notAParser.Get());
  EXPECT_EQ(page->SetObjects(1, &object), E_NOINTERFACE);

  // The real filter gives no values: the fields start at 0.
  IUnknown* real = static_cast<IBaseFilter*>(filter.Get());
  ASSERT_EQ(page->SetObjects(1, &real), S_OK);
  EXPECT_EQ(filter->Page(), static_cast<IPropertyPage*>(page.Get()));
  ASSERT_EQ(page->Activate(0, FALSE), S_OK);
  EXPECT_EQ(page->GetDlgItemText(kParam1FieldId), u"0");
  EXPECT_EQ(page->GetDlgItemText(kParam2FieldId), u"0");
  page->Deactivate();
  page->SetObjects(0, nullptr);
}

}  // namespace
}  // namespace capsift::test

namespace capsift::test {
namespace {

TEST(ModulePath, FindsTheMappingThatHoldsAnAddress) {
  const std::string maps =
      "00400000-00452000 r-xp 00000000 08:02 173521 /usr/bin/dbus-daemon\n"
      "7f10a0000000-7f10a0021000 rw-p 00000000 00:00 0\n"
      "7f10b0000000-7f10b0100000 r-xp 00000000 08:02 42 /opt/Corvane DVR/capsift.dll\n"
      "garbage line\n"
      "7ffd1000-7ffd2000 rw-p 00000000 00:00 0 [stack]\n";
  EXPECT_EQ(FindMappedFile(maps, 0x00400000), "/usr/bin/dbus-daemon");
  EXPECT_EQ(FindMappedFile(maps, 0x7f10b00fffff), "/opt/Corvane DVR/capsift.dll");
  EXPECT_EQ(FindMappedFile(maps, 0x7f10b0100000), "");  // one past the end
  EXPECT_EQ(FindMappedFile(maps, 0x7f10a0000010), "");  // anonymous
  EXPECT_EQ(FindMappedFile(maps, 0x7ffd1800), "");      // not a file
  EXPECT_EQ(FindMappedFile(maps, 0x1000), "");
  // Built into this test program, the module is the program.
  EXPECT_EQ(std::filesystem::canonical(ModulePath()), std::filesystem::canonical("/proc/self/exe"));
}

}  // namespace
}  // namespace capsift::test
