// Sets the program's busy flag for the life of a state change made by the
// scheduler, so the one-second tick does not run into it.
#pragma once

namespace recording {

class BusyScope {
 public:
  explicit BusyScope(bool& busy) : busy_(busy), was_(busy) { busy_ = true; }
  ~BusyScope() { busy_ = was_; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& busy_;
  bool was_;
};

}  // namespace recording
