#include "josm/josm_sender.h"

#include <pthread.h>

#include <utility>

namespace meridel {

JosmSender::JosmSender(Done done) : done_(std::move(done)) {}

JosmSender::~JosmSender() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  CloseJosmLink(link_);
}

void JosmSender::Post(JosmCommand command, std::string request) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (command == JosmCommand::AddNode) {
      nodes_.push_back(std::move(request));
    } else {
      zoom_ = std::move(request);
    }
    if (!thread_.joinable()) thread_ = std::thread(&JosmSender::Run, this);
  }
  changed_.notify_all();
}

bool JosmSender::WaitIdle(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, limit, [this] { return !busy_ && !zoom_ && nodes_.empty(); });
}

void JosmSender::Run() {
  // Named, so that a host's profile tells JOSM's waits from its own threads.
  pthread_setname_np(pthread_self(), "meridel-josm");
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stop_ || zoom_ || !nodes_.empty(); });
    if (stop_) return;
    // A node the user asked for goes before a view that a frame asked for.
    const JosmCommand command = nodes_.empty() ? JosmCommand::ZoomView : JosmCommand::AddNode;
    std::string request;
    if (command == JosmCommand::AddNode) {
      request = std::move(nodes_.front());
      nodes_.pop_front();
    } else {
      request = std::move(*zoom_);
      zoom_.reset();
    }
    busy_ = true;
    lock.unlock();
    HttpOutcome outcome = HttpOutcome::NoAnswer;
    try {
      outcome = SendJosmRequest(link_, command, std::move(request));
      if (done_) done_(command, outcome);
    } catch (...) {
      // Out of memory in the transport or the callback: this request is lost.
    }
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace meridel
