#include "platform/bda/virtual/Broadcast.h"

#include "platform/bda/virtual/CaptureLoop.h"
#include "platform/bda/virtual/Environment.h"

namespace vtuner {

Broadcast::Broadcast(BroadcastDescription description)
    : description_(std::move(description)),
      paced_(description_.pace && PacingAllowedByEnvironment()) {}

std::shared_ptr<Broadcast> Broadcast::Load(const std::filesystem::path& file, std::string* error) {
  auto result = LoadDescription(file);
  if (!result.ok) {
    if (error) *error = result.error;
    return nullptr;
  }
  return std::make_shared<Broadcast>(std::move(result.description));
}

std::shared_ptr<Broadcast> Broadcast::LoadFromEnvironment(const std::filesystem::path& fallback,
                                                          std::string* error) {
  return Load(BroadcastPathFromEnvironment(fallback), error);
}

void Broadcast::SetSyntheticSourceFactory(SyntheticSourceFactory factory) {
  std::lock_guard lock(mutex_);
  synthetic_ = std::move(factory);
}

std::shared_ptr<const Capture> Broadcast::OpenCapture(const std::filesystem::path& file,
                                                      std::string* error) {
  {
    std::lock_guard lock(mutex_);
    if (auto it = captures_.find(file); it != captures_.end())
      if (auto capture = it->second.lock()) return capture;
  }
  // Read outside the lock: another tuner may tune meanwhile.
  auto capture = Capture::Load(file, error);
  if (!capture) return nullptr;
  if (!capture->HasPackets()) {
    if (error) *error = file.string() + ": capture holds no transport packets";
    return nullptr;
  }
  std::lock_guard lock(mutex_);
  captures_[file] = capture;
  return capture;
}

std::unique_ptr<PacketSource> Broadcast::OpenSource(const MultiplexDecl& mux, std::string* error) {
  if (mux.kind == SourceKind::kCapture) {
    auto capture = OpenCapture(mux.capture, error);
    if (!capture) return nullptr;
    return std::make_unique<CaptureLoop>(std::move(capture));
  }
  SyntheticSourceFactory factory;
  {
    std::lock_guard lock(mutex_);
    factory = synthetic_;
  }
  if (!factory) {
    if (error)
      *error = "line " + std::to_string(mux.line) + ": no generator for synthetic multiplex \"" +
               mux.syntheticName + "\"";
    return nullptr;
  }
  return factory(mux, error);
}

}  // namespace vtuner
