#include "capsift/dll/ModuleExtractor.h"

#include <new>

namespace capsift {

ModuleExtractor& ModuleExtractor::Instance() {
  static ModuleExtractor instance;
  return instance;
}

bool ModuleExtractor::Bind(ICaptionSink* sink) {
  std::lock_guard lock(mutex_);
  if (!assembler_) {
    try {
      assembler_.emplace();
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  assembler_->Reset();
  assembler_->SetSink(sink);
  bound_ = sink;
  return true;
}

void ModuleExtractor::Unbind(ICaptionSink* sink) {
  std::lock_guard lock(mutex_);
  if (assembler_ && bound_ == sink) {
    assembler_->SetSink(nullptr);
    bound_ = nullptr;
  }
}

bool ModuleExtractor::IsBound(const ICaptionSink* sink) {
  std::lock_guard lock(mutex_);
  return sink != nullptr && bound_ == sink;
}

void ModuleExtractor::Reset() {
  std::lock_guard lock(mutex_);
  if (assembler_) assembler_->Reset();
}

void ModuleExtractor::Push(std::optional<std::int64_t> startTime,
                           std::span<const std::uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  if (!assembler_) return;
  if (startTime) assembler_->SetInputStartTime(*startTime);
  assembler_->Push(bytes);
}

}  // namespace capsift
