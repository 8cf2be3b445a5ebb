#include "graph/manager/GraphThread.h"

#include <pthread.h>

#include <cstdio>
#include <stdexcept>
#include <system_error>

namespace graph {

GraphThread::GraphThread(Handler handler) : shared_(std::make_shared<Shared>()) {
  shared_->handler = std::move(handler);
  try {
    thread_ = std::thread(Loop, shared_);
  } catch (const std::system_error&) {
    throw std::runtime_error("Could not create thread");
  }
  id_ = thread_.get_id();
  std::unique_lock lock(shared_->lock);
  if (!shared_->wake.wait_for(lock, kStartTimeout, [this] { return shared_->started; })) {
    shared_->quit = true;
    lock.unlock();
    shared_->wake.notify_all();
    thread_.detach();
    throw std::runtime_error("Timeout waiting for thread to start");
  }
}

GraphThread::~GraphThread() {
  Stop();
}

void GraphThread::Loop(std::shared_ptr<Shared> shared) {
  pthread_setname_np(pthread_self(), "graph thread");
  std::unique_lock lock(shared->lock);
  shared->started = true;
  shared->wake.notify_all();
  for (;;) {
    shared->wake.wait(lock, [&] { return shared->quit || !shared->queue.empty(); });
    // A stop is queued behind what was posted before it.
    if (shared->queue.empty()) break;
    GraphThreadMessage message = std::move(shared->queue.front());
    shared->queue.pop_front();
    lock.unlock();
    shared->handler(message);
    lock.lock();
  }
  shared->ended = true;
  shared->wake.notify_all();
}

bool GraphThread::Post(GraphThreadMessage message) {
  {
    std::lock_guard lock(shared_->lock);
    if (shared_->quit) return false;
    shared_->queue.push_back(std::move(message));
  }
  shared_->wake.notify_all();
  return true;
}

bool GraphThread::Stop(std::chrono::milliseconds timeout) {
  if (!thread_.joinable()) return true;
  std::unique_lock lock(shared_->lock);
  shared_->quit = true;
  shared_->wake.notify_all();
  if (OnThread()) {
    // Asked from its own handler: the loop ends when the handler returns.
    lock.unlock();
    thread_.detach();
    return false;
  }
  if (!shared_->wake.wait_for(lock, timeout, [this] { return shared_->ended; })) {
    lock.unlock();
    std::printf("Timeout waiting for thread to stop\n");
    thread_.detach();
    return false;
  }
  lock.unlock();
  thread_.join();
  return true;
}

}  // namespace graph
