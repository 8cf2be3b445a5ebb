#include "platform/media/MediaClasses.h"

#include "platform/com/ClassFactory.h"
#include "platform/media/Devices.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/FilterMapper.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/MemAllocator.h"
#include "platform/media/SystemClock.h"

namespace media {
namespace {

const CFactoryTemplate kClasses[] = {
    {u"Filter Graph", &CLSID_FilterGraph, CFilterGraph::CreateInstance, nullptr, nullptr},
    {u"System Clock", &CLSID_SystemClock, CSystemClock::CreateInstance, nullptr, nullptr},
    {u"Memory Allocator", &CLSID_MemoryAllocator, CMemAllocator::CreateInstance, nullptr, nullptr},
    {u"System Device Enumerator", &CLSID_SystemDeviceEnum, CSystemDeviceEnum::CreateInstance,
     nullptr, nullptr},
    {u"Filter Mapper2", &CLSID_FilterMapper2, CFilterMapper2::CreateInstance, nullptr, nullptr},
};

}  // namespace

void RegisterClasses() {
  com::RegisterClasses(kClasses);
}

}  // namespace media
