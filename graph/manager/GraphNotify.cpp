#include "graph/manager/GraphNotify.h"

#include <map>
#include <mutex>

#include "platform/com/HResult.h"
#include "platform/media/FilterGraph.h"

namespace graph {
namespace {

struct Targets {
  std::mutex lock;
  std::map<std::uintptr_t, IGraphMessageTarget*> byId;
  std::uintptr_t nextId = 1;
  bool posterInstalled = false;
};

Targets& AllTargets() {
  static Targets targets;
  return targets;
}

void PostToTarget(OAHWND window, LONG message, LONG_PTR, LONG_PTR lParam) {
  Targets& targets = AllTargets();
  std::lock_guard guard(targets.lock);
  const auto it = targets.byId.find(static_cast<std::uintptr_t>(window));
  if (it == targets.byId.end()) return;
  it->second->Post(static_cast<WindowMessage>(message), static_cast<std::uint32_t>(lParam));
}

}  // namespace

HRESULT GraphNotify::Start(IUnknown* graph, IGraphMessageTarget* target, WindowMessage message,
                           std::string* error) {
  Stop();
  if (graph == nullptr || target == nullptr) return S_FALSE;
  const HRESULT hr = graph->QueryInterface(IID_PPV_ARGS(&events_));
  if (FAILED(hr)) {
    *error = "Can't query IMediaEventEx interface on sink graph. Error: " + com::ResultName(hr);
    return hr;
  }
  Targets& targets = AllTargets();
  {
    std::lock_guard guard(targets.lock);
    if (!targets.posterInstalled) {
      media::SetNotifyPoster(PostToTarget);
      targets.posterInstalled = true;
    }
    id_ = targets.nextId++;
    targets.byId[id_] = target;
  }
  return events_->SetNotifyWindow(static_cast<OAHWND>(id_), static_cast<LONG>(message), 0);
}

void GraphNotify::Stop() {
  if (events_) events_->SetNotifyWindow(0, 0, 0);
  events_ = nullptr;
  if (id_ == 0) return;
  Targets& targets = AllTargets();
  std::lock_guard guard(targets.lock);
  targets.byId.erase(id_);
  id_ = 0;
}

}  // namespace graph
