#include "platform/sbe/StreamBufferClasses.h"

#include "platform/com/ClassFactory.h"
#include "platform/sbe/StreamBufferConfig.h"
#include "platform/sbe/StreamBufferSink.h"
#include "platform/sbe/StreamBufferSource.h"

namespace sbe {
namespace {

const CFactoryTemplate kClasses[] = {
    {u"SB Sink", &CLSID_StreamBufferSink, CStreamBufferSink::CreateInstance, nullptr, nullptr},
    {u"StreamBufferSource", &CLSID_StreamBufferSource, CStreamBufferSource::CreateInstance, nullptr,
     nullptr},
    {u"StreamBufferConfig", &CLSID_StreamBufferConfig, CStreamBufferConfig::CreateInstance, nullptr,
     nullptr},
};

}  // namespace

void RegisterClasses() {
  com::RegisterClasses(kClasses);
}

}  // namespace sbe
