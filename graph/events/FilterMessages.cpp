#include "graph/events/FilterMessages.h"

#include "common/ErrorBox.h"
#include "filters/dump/Dump.h"
#include "filters/source/Mpeg2SourceCore.h"

namespace graph {

std::optional<UserMessage> FilterFailureMessage(LONG code, LONG_PTR param1, LONG_PTR) {
  if (code == EC_DUMP_DISK_FULL) return UserMessage{kDumpDiskFullCaption, kDumpDiskFullText};
  if (code == EC_ERRORABORT && static_cast<HRESULT>(param1) == filters::kDamagedList)
    return UserMessage{kDamagedListCaption, kDamagedListText};
  return std::nullopt;
}

bool RaiseFilterFailure(LONG code, LONG_PTR param1, LONG_PTR param2) {
  const auto message = FilterFailureMessage(code, param1, param2);
  if (!message) return false;
  common::MessageBox(message->caption, message->text);
  return true;
}

void RaiseFilterFailures(IMediaEvent& events) {
  LONG code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  while (events.GetEvent(&code, &param1, &param2, 0) == S_OK) {
    RaiseFilterFailure(code, param1, param2);
    events.FreeEventParams(code, param1, param2);
  }
}

}  // namespace graph
