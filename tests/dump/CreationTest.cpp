#include <gtest/gtest.h>

#include "filters/dump/Dump.h"
#include "filters/sectionbuffer/PsiParserFilter.h"
#include "filters/tee/Tee.h"
#include "platform/com/ClassFactory.h"

namespace {

// The graph manager creates its own filters by class id inside the program.
TEST(StreamFilterCreation, EachFilterIsCreatedByItsClassId) {
  const CFactoryTemplate table[] = {
      {u"Tallowmark Section Buffer", &CLSID_PsiParserFilter, CPsiParserFilter::CreateInstance},
      {u"Smart Tee", &CLSID_TallowmarkTee, CTee::CreateInstance},
      {u"TS Sink", &CLSID_Dump, CDumpFilter::CreateInstance},
  };
  com::RegisterClasses(table);
  for (const CFactoryTemplate& entry : table) {
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(CoCreateInstance(*entry.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&filter)),
              S_OK);
    CLSID clsid{};
    EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, *entry.clsid);
    com::UnregisterClass(*entry.clsid);
  }
  ComPtr<IPacketBuffer> packets;
  ComPtr<IFileSinkFilter> sink;
  ComPtr<IBaseFilter> buffer(static_cast<IBaseFilter*>(
      static_cast<CPsiParserFilter*>(CPsiParserFilter::CreateInstance(nullptr, nullptr))));
  EXPECT_EQ(buffer.As(&packets), S_OK);
  ComPtr<IBaseFilter> dump(static_cast<IBaseFilter*>(
      static_cast<CDumpFilter*>(CDumpFilter::CreateInstance(nullptr, nullptr))));
  EXPECT_EQ(dump.As(&sink), S_OK);
}

}  // namespace
