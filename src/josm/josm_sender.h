// JOSM's requests sent from a thread of the sender's own, for hosts whose
// thread must never wait for JOSM (an editor's preview, a player): at most
// one request is in flight; a zoom that has not gone out yet gives way to a
// newer one (only the latest view matters); nodes all go out, in order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "josm/remote_control.h"

namespace meridel {

class JosmSender {
 public:
  // Called on the sender's thread after each request that went out.
  using Done = std::function<void(JosmCommand command, HttpOutcome outcome)>;

  explicit JosmSender(Done done = {});
  // Waits for the request in flight, which the link's time-outs bound;
  // requests not sent yet are dropped.
  ~JosmSender();
  JosmSender(const JosmSender&) = delete;
  JosmSender& operator=(const JosmSender&) = delete;

  // Queues a request text built for `command` and returns at once. The
  // thread starts with the first request. Throws only what allocation and
  // thread creation throw.
  void Post(JosmCommand command, std::string request);

  // Whether everything posted has been sent within `limit`.
  bool WaitIdle(std::chrono::milliseconds limit);

 private:
  void Run();

  Done done_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<std::string> zoom_;  // the latest zoom not sent yet
  std::deque<std::string> nodes_;
  bool busy_ = false;  // a request is in flight
  bool stop_ = false;
  JosmLink link_;  // the sender thread's alone
  std::thread thread_;
};

}  // namespace meridel
