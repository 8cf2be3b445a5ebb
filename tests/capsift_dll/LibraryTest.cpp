// "capsift.dll" as the program uses it: loaded with dlopen, its class
// factory from DllGetClassObject, registration, DllCanUnloadNow, and the
// loaded filter in a graph with real MPEG-2 video from libavcodec.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "capsift/CPictureAssembler.h"
#include "capsift/dll/CProperties.h"
#include "capsift/dll/Cea608Text.h"
#include "capsift/dll/LoadCaptionFilter.h"
#include "platform/com/Module.h"
#include "platform/com/Registry.h"
#include "platform/media/FilterData.h"
#include "tests/capsift/CaptureSink.h"
#include "tests/capsift/Mpeg2Encode.h"
#include "tests/capsift_dll/CaptionChecks.h"
#include "tests/capsift_dll/CaptionGraph.h"
#include "tests/support/TempFolder.h"

namespace capsift::test {
namespace {

// The library and this program each keep their own copy of the registry
// store; both read and write the files under CORVANE_CONFIG_DIR, which must
// be set before either touches them.
struct ConfigFolder {
  ConfigFolder() { setenv("CORVANE_CONFIG_DIR", path.c_str(), 1); }
  testsupport::TempFolder folder{"capsift-dll"};
  const std::string path = folder.Path().string();
};
const ConfigFolder kConfigFolder;
const std::string& kConfigDir = kConfigFolder.path;

// Makes this program's registry store read the files again (after the
// library wrote them).
void ReloadRegistry() {
  com::SetConfigRoot(kConfigDir + "/elsewhere");
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "", &key) == ERROR_SUCCESS) RegCloseKey(key);
  com::SetConfigRoot(kConfigDir);
}

std::string ReadString(const std::string& path, const char* value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), &key) != ERROR_SUCCESS) return "<no key>";
  std::string text;
  if (!com::RegReadString(key, value, &text)) text = "<no value>";
  RegCloseKey(key);
  return text;
}

bool KeyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

struct Library {
  HMODULE module = LoadLibraryA(CAPSIFT_DLL_PATH);
  LPFNGETCLASSOBJECT getClassObject =
      com::ProcAs<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
  LPFNCANUNLOADNOW canUnloadNow =
      com::ProcAs<LPFNCANUNLOADNOW>(GetProcAddress(module, "DllCanUnloadNow"));
  HRESULT(*registerServer)
  () = com::ProcAs<HRESULT (*)()>(GetProcAddress(module, "DllRegisterServer"));
  HRESULT(*unregisterServer)
  () = com::ProcAs<HRESULT (*)()>(GetProcAddress(module, "DllUnregisterServer"));

  ComPtr<IBaseFilter> CreateFilter() {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(CLSID_CCParser, IID_PPV_ARGS(&factory)), S_OK);
    ComPtr<IBaseFilter> filter;
    if (factory) {
      EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&filter)), S_OK);
    }
    return filter;
  }
};

// Loaded once and kept, as the program keeps it.
Library& TheLibrary() {
  static Library library;
  return library;
}

TEST(CaptionLibrary, ExportsItsFourEntriesAndServesBothClasses) {
  Library& lib = TheLibrary();
  ASSERT_NE(lib.module, nullptr) << com::LastLoaderMessage();
  ASSERT_NE(lib.getClassObject, nullptr);
  ASSERT_NE(lib.canUnloadNow, nullptr);
  ASSERT_NE(lib.registerServer, nullptr);
  ASSERT_NE(lib.unregisterServer, nullptr);
  // Nothing of the framework the library carries inside is visible.
  EXPECT_EQ(GetProcAddress(lib.module, "_ZN9CUnknown13ObjectsActiveEv"), nullptr);

  auto filter = lib.CreateFilter();
  ASSERT_TRUE(filter);
  CLSID clsid;
  filter->GetClassID(&clsid);
  EXPECT_EQ(clsid, CLSID_CCParser);
  ComPtr<ICCParserParams> params;
  EXPECT_EQ(filter.As(&params), S_OK);

  ComPtr<IClassFactory> pageFactory;
  ASSERT_EQ(lib.getClassObject(CLSID_CCParserPropertyPage, IID_PPV_ARGS(&pageFactory)), S_OK);
  ComPtr<IPropertyPage> page;
  ASSERT_EQ(pageFactory->CreateInstance(nullptr, IID_PPV_ARGS(&page)), S_OK);
  IUnknown* object = filter.Get();
  EXPECT_EQ(page->SetObjects(1, &object), S_OK);
  EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);

  ComPtr<IClassFactory> other;
  EXPECT_EQ(lib.getClassObject(CLSID_FilterGraph, IID_PPV_ARGS(&other)), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(lib.getClassObject(GUID_NULL, IID_PPV_ARGS(&other)), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_FALSE(other);
}

TEST(CaptionLibrary, CanUnloadOnlyWithoutObjectsAndLocks) {
  Library& lib = TheLibrary();
  ASSERT_NE(lib.module, nullptr);
  EXPECT_EQ(lib.canUnloadNow(), S_OK);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(lib.getClassObject(CLSID_CCParser, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(lib.canUnloadNow(), S_FALSE);  // the factory is an object
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(lib.canUnloadNow(), S_FALSE);  // the lock
  ASSERT_EQ(lib.getClassObject(CLSID_CCParser, IID_PPV_ARGS(&factory)), S_OK);
  factory->LockServer(FALSE);
  factory.Reset();
  EXPECT_EQ(lib.canUnloadNow(), S_OK);

  {
    auto filter = lib.CreateFilter();
    EXPECT_EQ(lib.canUnloadNow(), S_FALSE);
    // A connected, streamed filter leaves nothing behind either.
    CaptionGraph g(filter.Get());
    ASSERT_EQ(g.Connect(), S_OK);
    ASSERT_TRUE(SUCCEEDED(g.control->Run()));
    g.source->Stream()->QueueEndOfStream();
    EXPECT_TRUE(g.WaitForEndOfStream());
  }
  EXPECT_EQ(lib.canUnloadNow(), S_OK);
}

TEST(CaptionLibrary, RegistersAndUnregistersItself) {
  Library& lib = TheLibrary();
  ASSERT_NE(lib.module, nullptr);
  ASSERT_EQ(lib.registerServer(), S_OK);
  ReloadRegistry();

  const std::string filterKey = "CLSID\\{25C27591-171D-41EE-B715-B122D54550EF}";
  const std::string pageKey = "CLSID\\{677BA5C4-231C-4A08-BFEB-6F86878B657B}";
  const std::string modulePath = std::filesystem::canonical(CAPSIFT_DLL_PATH).string();
  EXPECT_EQ(ReadString(filterKey, nullptr), "Tallowmark MPEG-2 Video Decoder");
  EXPECT_EQ(ReadString(filterKey + "\\InprocServer32", nullptr), modulePath);
  EXPECT_EQ(ReadString(filterKey + "\\InprocServer32", "ThreadingModel"), "Both");
  EXPECT_EQ(ReadString(pageKey, nullptr), "Tallowmark MPEG-2 Video Decoder Properties");
  EXPECT_EQ(ReadString(pageKey + "\\InprocServer32", nullptr), modulePath);
  EXPECT_EQ(ReadString(pageKey + "\\InprocServer32", "ThreadingModel"), "Both");

  const std::string instance =
      "CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\"
      "{25C27591-171D-41EE-B715-B122D54550EF}";
  EXPECT_EQ(ReadString(instance, "FriendlyName"), "Tallowmark capsift");
  EXPECT_EQ(ReadString(instance, "CLSID"), "{25C27591-171D-41EE-B715-B122D54550EF}");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, instance.c_str(), &key), ERROR_SUCCESS);
  std::vector<BYTE> data(1024);
  DWORD type = 0, size = static_cast<DWORD>(data.size());
  ASSERT_EQ(RegQueryValueExA(key, "FilterData", &type, data.data(), &size), ERROR_SUCCESS);
  RegCloseKey(key);
  const auto filter = media::DecodeFilterData({data.data(), size});
  ASSERT_TRUE(filter.has_value());
  EXPECT_EQ(filter->merit, 0x00200000u);
  ASSERT_EQ(filter->pins.size(), 2u);
  EXPECT_FALSE(filter->pins[0].output);
  EXPECT_TRUE(filter->pins[1].output);
  for (const auto& pin : filter->pins) {
    EXPECT_FALSE(pin.rendered);
    EXPECT_FALSE(pin.zero);
    EXPECT_FALSE(pin.many);
  }
  using Types = std::vector<std::pair<GUID, GUID>>;
  EXPECT_EQ(filter->pins[0].types, (Types{{MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO}}));
  EXPECT_EQ(filter->pins[1].types,
            (Types{{MEDIATYPE_AUXLine21Data, MEDIASUBTYPE_Line21_BytePair}}));

  ASSERT_EQ(lib.unregisterServer(), S_OK);
  ReloadRegistry();
  EXPECT_FALSE(KeyExists(filterKey));
  EXPECT_FALSE(KeyExists(pageKey));
  EXPECT_FALSE(KeyExists(instance));
  EXPECT_TRUE(KeyExists("CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}"));
  EXPECT_EQ(lib.unregisterServer(), S_OK);  // nothing left to remove is no error
}

TEST(CaptionLoader, FindsTheLibraryBesideTheProgram) {
  // The build puts a copy of the library next to this test program.
  const auto loaded = LoadCaptionFilter();
  ASSERT_EQ(loaded.hr, S_OK) << loaded.error;
  ASSERT_TRUE(loaded.filter);
  CLSID clsid;
  loaded.filter->GetClassID(&clsid);
  EXPECT_EQ(clsid, CLSID_CCParser);

  const auto missing = LoadCaptionFilter("no-such-capsift.dll");
  EXPECT_TRUE(FAILED(missing.hr));
  EXPECT_FALSE(missing.filter);
  EXPECT_FALSE(missing.error.empty());
}

std::vector<std::uint8_t> FramePair(int n) {
  return {WithOddParity(static_cast<std::uint8_t>('A' + n % 26)),
          WithOddParity(static_cast<std::uint8_t>('a' + n % 26))};
}

// Real MPEG-2 video with B frames: each display frame n carries one pair;
// the packets go in coded order, each with its presentation time.
std::vector<EncodedPacket> CaptionedVideo(int frames, bool interlaced) {
  EncodeOptions options;
  options.frames = frames;
  options.interlaced = interlaced;
  options.constructs = [](int n) {
    const auto pair = FramePair(n);
    return std::vector<std::uint8_t>{0xFC, pair[0], pair[1]};
  };
  return EncodeMpeg2(options);
}

// What the extractor itself makes of the packets, pushed as the filter
// pushes them: each packet's time, then its bytes.
std::vector<ExpectedUnit> ExtractorUnits(const std::vector<EncodedPacket>& packets) {
  CaptureSink sink;
  CPictureAssembler assembler(&sink);
  for (const auto& packet : packets) {
    assembler.SetInputStartTime(packet.startTime);
    assembler.Push(packet.data);
  }
  std::vector<ExpectedUnit> units;
  for (const auto& unit : sink.units)
    units.push_back({unit.bytes, unit.startTime});
  return units;
}

// The frames in display order with their pairs and times, up to the end:
// nothing is drained at end of stream, so the last coded picture (never
// followed by a start code) and the last reference frame (held for its B
// frames) stay behind.
void ExpectDisplayOrder(const std::vector<ExpectedUnit>& units, int frames) {
  EXPECT_GE(units.size() + 2, static_cast<std::size_t>(frames));
  for (std::size_t n = 0; n < units.size(); ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(units[n].bytes, FramePair(static_cast<int>(n)));
    EXPECT_EQ(units[n].start, static_cast<REFERENCE_TIME>(n) * kFrameDuration);
  }
}

std::vector<CCaptureRenderer::Sample> PlayThroughLoadedFilter(
    const std::vector<EncodedPacket>& packets) {
  auto loaded = LoadCaptionFilter(CAPSIFT_DLL_PATH);
  EXPECT_EQ(loaded.hr, S_OK) << loaded.error;
  CaptionGraph g(loaded.filter.Get());
  EXPECT_EQ(g.Connect(), S_OK);
  ComPtr<IBaseFilter> found;
  EXPECT_EQ(g.graph->FindFilterByName(u"CCParser", &found), S_OK);
  EXPECT_TRUE(SUCCEEDED(g.control->Run()));
  for (const auto& packet : packets)
    g.source->Stream()->Queue({packet.data, packet.startTime, false});
  g.source->Stream()->QueueEndOfStream();
  EXPECT_TRUE(g.WaitForEndOfStream());
  return g.renderer->Samples();
}

TEST(CaptionLibrary, GraphCarriesEncodedCaptionsInDisplayOrder) {
  constexpr int kFrames = 45;
  const auto packets = CaptionedVideo(kFrames, false);
  const auto expected = ExtractorUnits(packets);
  ExpectDisplayOrder(expected, kFrames);
  const auto first = PlayThroughLoadedFilter(packets);
  ExpectSamples(first, expected);

  // Media times go on counting over the library's life, across filters.
  const auto second = PlayThroughLoadedFilter(packets);
  ExpectSamples(second, expected);
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_GT(second.front().mediaStart, first.back().mediaStart);
}

TEST(CaptionLibrary, GraphCarriesCaptionsOfInterlacedVideo) {
  constexpr int kFrames = 30;
  const auto packets = CaptionedVideo(kFrames, true);
  const auto expected = ExtractorUnits(packets);
  ExpectDisplayOrder(expected, kFrames);
  ExpectSamples(PlayThroughLoadedFilter(packets), expected);
}

}  // namespace
}  // namespace capsift::test
