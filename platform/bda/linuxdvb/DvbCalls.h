// The kernel calls of the Linux DVB interface behind a small interface, so the
// backend runs against the real devices or against a fake in tests. Every call
// returns what the system call returns, or -errno on failure.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace linuxdvb {

class DvbCalls {
 public:
  virtual ~DvbCalls() = default;
  // open(2): a descriptor or -errno.
  virtual int Open(const std::string& path, int flags) = 0;
  // ioctl(2): 0 (or the call's value) or -errno.
  virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
  // read(2): the bytes read or -errno.
  virtual long Read(int fd, void* buffer, std::size_t size) = 0;
  // poll(2) of one descriptor: its returned events, 0 on time-out, or -errno.
  virtual int Poll(int fd, short events, int timeoutMs) = 0;
  virtual void Close(int fd) = 0;
  // The names in a folder ("adapter0", "frontend0", ...); empty when it is missing.
  virtual std::vector<std::string> List(const std::string& folder) = 0;
};

// The calls of the running system.
std::shared_ptr<DvbCalls> SystemDvbCalls();

// Closes a descriptor when it goes out of scope.
class DvbFd {
 public:
  DvbFd() = default;
  DvbFd(DvbCalls* calls, int fd) : calls_(calls), fd_(fd) {}
  DvbFd(DvbFd&& other) noexcept : calls_(other.calls_), fd_(other.Release()) {}
  DvbFd& operator=(DvbFd&& other) noexcept {
    if (this != &other) {
      Reset();
      calls_ = other.calls_;
      fd_ = other.Release();
    }
    return *this;
  }
  ~DvbFd() { Reset(); }

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset() {
    if (fd_ >= 0 && calls_ != nullptr) calls_->Close(fd_);
    fd_ = -1;
  }

 private:
  DvbCalls* calls_ = nullptr;
  int fd_ = -1;
};

}  // namespace linuxdvb
