#include "platform/av/video/SurfaceTable.h"

#include <map>
#include <mutex>

#include "platform/av/video/FrameSink.h"

namespace av::video {
namespace {

struct Table {
  std::mutex mutex;
  OAHWND next = 0x5100;
  std::map<OAHWND, std::shared_ptr<VideoSurface>> surfaces;
  WindowMaker maker;
};

Table& TheTable() {
  static Table table;
  return table;
}

}  // namespace

OAHWND PublishSurface(std::shared_ptr<VideoSurface> surface) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  const OAHWND handle = t.next++;
  t.surfaces[handle] = std::move(surface);
  return handle;
}

void WithdrawSurface(OAHWND handle) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  t.surfaces.erase(handle);
}

std::shared_ptr<VideoSurface> FindSurface(OAHWND handle) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  const auto it = t.surfaces.find(handle);
  return it == t.surfaces.end() ? nullptr : it->second;
}

void SetWindowMaker(WindowMaker maker) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  t.maker = std::move(maker);
}

std::shared_ptr<VideoSurface> MakeRendererWindow(OAHWND owner) {
  WindowMaker maker;
  {
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    maker = t.maker;
  }
  if (maker) {
    if (auto surface = maker(owner)) return surface;
  }
  return std::make_shared<CFrameSink>();
}

}  // namespace av::video
