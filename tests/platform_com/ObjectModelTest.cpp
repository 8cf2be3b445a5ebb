#include <gtest/gtest.h>

#include "platform/com/ClassFactory.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Module.h"
#include "tests/platform_com/TestObjects.h"

namespace {

TEST(ObjectModel, OneIdentityAndOneCountAcrossInterfaces) {
  ComPtr<ICounter> counter(new CTestCounter);
  ComPtr<INamed> named;
  ASSERT_EQ(counter->QueryInterface(IID_PPV_ARGS(&named)), S_OK);
  ComPtr<IUnknown> u1, u2;
  ASSERT_EQ(counter->QueryInterface(IID_IUnknown, &u1), S_OK);
  ASSERT_EQ(named->QueryInterface(IID_IUnknown, &u2), S_OK);
  EXPECT_EQ(u1.Get(), u2.Get());
  EXPECT_TRUE(com::IsSameObject(counter.Get(), named.Get()));
  // counter, named, u1, u2 each hold one reference of the one object.
  EXPECT_EQ(static_cast<CTestCounter*>(counter.Get())->RefCount(), 4u);
  EXPECT_STREQ(named->Name(), "counter");
}

TEST(ObjectModel, UnknownInterfaceIsRefusedAndOutputCleared) {
  ComPtr<ICounter> counter(new CTestCounter);
  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(counter->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(counter->QueryInterface(IID_ICounter, nullptr), E_POINTER);
}

TEST(ObjectModel, LastReleaseDeletesTheObject) {
  const long before = CUnknown::ObjectsActive();
  {
    ComPtr<ICounter> a(new CTestCounter);
    ComPtr<ICounter> b = a;
    ComPtr<ICounter> c = std::move(b);
    EXPECT_FALSE(b);
    EXPECT_EQ(CUnknown::ObjectsActive(), before + 1);
    ICounter* raw = a.Detach();
    EXPECT_EQ(raw->Release(), 1u);  // c still holds it
  }
  EXPECT_EQ(CUnknown::ObjectsActive(), before);
}

TEST(ObjectModel, ComPtrAsAndCopyTo) {
  ComPtr<ICounter> counter(new CTestCounter);
  ComPtr<INamed> named = counter.As<INamed>();
  ASSERT_TRUE(named);
  ComPtr<IClassFactory> none;
  EXPECT_EQ(counter.As(&none), E_NOINTERFACE);
  EXPECT_FALSE(none);
  ICounter* out = nullptr;
  ASSERT_EQ(counter.CopyTo(&out), S_OK);
  EXPECT_EQ(out->Next(), 1);
  out->Release();
}

const CFactoryTemplate kTable[] = {
    {u"Test Counter", &CLSID_TestCounter, CTestCounter::CreateInstance, nullptr, nullptr},
};

TEST(ClassFactory, TableHandsOutFactoriesOnlyForListedClasses) {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(com::GetClassObjectFromTable(kTable, IID_ICounter, IID_IClassFactory, &factory),
            CLASS_E_CLASSNOTAVAILABLE);
  ASSERT_EQ(com::GetClassObjectFromTable(kTable, CLSID_TestCounter, IID_IClassFactory, &factory),
            S_OK);
  ComPtr<ICounter> counter;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&counter)), S_OK);
  EXPECT_EQ(counter->Next(), 1);
  ComPtr<IClassFactory> wrong;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&wrong)), E_NOINTERFACE);
  EXPECT_EQ(factory->CreateInstance(counter.Get(), IID_PPV_ARGS(&wrong)), CLASS_E_NOAGGREGATION);
}

TEST(ClassFactory, CanUnloadOnlyWithoutObjectsAndLocks) {
  ASSERT_EQ(com::CanUnloadNow(), S_OK);
  {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(com::GetClassObjectFromTable(kTable, CLSID_TestCounter, IID_IClassFactory, &factory),
              S_OK);
    EXPECT_EQ(com::CanUnloadNow(), S_FALSE);  // the factory itself is an object
    factory->LockServer(TRUE);
    factory.Reset();
    EXPECT_EQ(com::CanUnloadNow(), S_FALSE);
    ComPtr<IClassFactory> again;
    ASSERT_EQ(com::GetClassObjectFromTable(kTable, CLSID_TestCounter, IID_IClassFactory, &again),
              S_OK);
    again->LockServer(FALSE);
  }
  EXPECT_EQ(com::CanUnloadNow(), S_OK);
}

TEST(ClassFactory, CoCreateInstanceFindsRegisteredClasses) {
  ComPtr<ICounter> counter;
  com::UnregisterClass(CLSID_TestCounter);
  EXPECT_EQ(
      CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&counter)),
      REGDB_E_CLASSNOTREG);
  com::RegisterClasses(kTable);
  ASSERT_EQ(
      CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&counter)),
      S_OK);
  EXPECT_EQ(counter->Next(), 1);
  com::UnregisterClass(CLSID_TestCounter);
}

TEST(Module, LoadsAModuleAndCreatesThroughItsExport) {
  HMODULE module = LoadLibraryA(CORVANE_TEST_MODULE);
  ASSERT_NE(module, nullptr) << com::LastLoaderMessage();
  auto getClassObject =
      com::ProcAs<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
  auto canUnload = com::ProcAs<LPFNCANUNLOADNOW>(GetProcAddress(module, "DllCanUnloadNow"));
  ASSERT_NE(getClassObject, nullptr);
  ASSERT_NE(canUnload, nullptr);
  {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(CLSID_TestCounter, IID_IClassFactory, &factory), S_OK);
    ComPtr<ICounter> counter;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&counter)), S_OK);
    factory.Reset();
    EXPECT_EQ(counter->Next(), 1);
    EXPECT_EQ(canUnload(), S_FALSE);
  }
  EXPECT_EQ(canUnload(), S_OK);
  EXPECT_EQ(GetProcAddress(module, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  EXPECT_TRUE(FreeLibrary(module));
}

TEST(Module, MissingModuleReportsThePlatformError) {
  EXPECT_EQ(LoadLibraryA("no-such-module-here.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(com::ResultName(HRESULT_FROM_WIN32(GetLastError())), "ERROR_MOD_NOT_FOUND");
}

}  // namespace
