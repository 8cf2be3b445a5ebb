// The graph thread of a graph manager: a worker with a typed message queue
// that carries out tune requests and state requests posted from other
// threads, so the user-interface thread never waits for a tuner.
//
// A tune request carries its channel block; the block is owned by the message
// and freed whatever becomes of it (handled, superseded by a newer tune, or
// still queued when the thread ends).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "tuning/ChannelLocator.h"

namespace graph {

// Thread messages, numbered from the user message base as other processes
// and traces know them.
enum class ThreadMessage : std::uint32_t {
  WM_GRAPH_TUNE = 1025,
  WM_GRAPH_COMMAND = 1035,
};

struct GraphThreadMessage {
  ThreadMessage id = ThreadMessage::WM_GRAPH_COMMAND;
  std::unique_ptr<tuning::ChannelLocator> locator;  // WM_GRAPH_TUNE
  std::uint8_t tunerState = 0;                      // WM_GRAPH_COMMAND
  std::uint8_t playerState = 0;
};

class GraphThread {
 public:
  using Handler = std::function<void(GraphThreadMessage&)>;

  static constexpr std::chrono::milliseconds kStartTimeout{10000};
  static constexpr std::chrono::milliseconds kStopTimeout{60000};

  // Starts the thread and waits for it to run its loop. Throws
  // std::runtime_error with "Could not create thread" or "Timeout waiting for
  // thread to start".
  explicit GraphThread(Handler handler);
  // Stops the thread (see Stop).
  ~GraphThread();
  GraphThread(const GraphThread&) = delete;
  GraphThread& operator=(const GraphThread&) = delete;

  // Queues a message for the handler. False when the thread has ended; the
  // message (and its block) is then freed here.
  bool Post(GraphThreadMessage message);

  // Refuses further posts, lets the thread handle what was posted before, and
  // waits up to `timeout` for it to end. A thread that does not end in time
  // is left to finish on its own and false is returned; what it uses stays
  // alive until it does.
  bool Stop(std::chrono::milliseconds timeout = kStopTimeout);

  // True on the graph thread itself.
  bool OnThread() const { return std::this_thread::get_id() == id_; }

 private:
  struct Shared {
    std::mutex lock;
    std::condition_variable wake;
    std::deque<GraphThreadMessage> queue;
    bool quit = false;
    bool started = false;
    bool ended = false;
    Handler handler;
  };
  static void Loop(std::shared_ptr<Shared> shared);

  std::shared_ptr<Shared> shared_;
  std::thread thread_;
  std::thread::id id_;
};

}  // namespace graph
