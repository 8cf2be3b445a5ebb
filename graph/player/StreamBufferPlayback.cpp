#include "graph/player/StreamBufferPlayback.h"

#include "graph/player/PlaybackSource.h"
#include "platform/com/ClassFactory.h"
#include "platform/sbe/StreamBufferClasses.h"
#include "platform/sbe/StreamBufferInterfaces.h"

namespace graph {

void UseStreamBufferSource() {
  sbe::RegisterClasses();
  SetStreamBufferSourceMaker([](ComPtr<IBaseFilter>* filter) {
    return CoCreateInstance(CLSID_StreamBufferSource, nullptr, CLSCTX_INPROC_SERVER,
                            IID_PPV_ARGS(&*filter));
  });
}

}  // namespace graph
