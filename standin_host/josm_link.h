// The JOSM stand-in as tests/e2e/run_e2e.sh runs it beside a session: its
// request log, and a small file protocol through which a scenario asks the
// driver to start or stop it.
//
//   DIR/log.jsonl   one JSON line per request received
//   DIR/request     written by the host: "start MODE", "stop" or "drop"
//                   (stopped, and connection attempts to the port dropped
//                   unanswered: tools/josm-standin-serve.sh); the driver
//                   acts, writes DIR/state ("running", "stopped" or
//                   "failed: ...") and then deletes DIR/request
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

class JosmLink {
 public:
  explicit JosmLink(std::string directory);  // empty: no stand-in beside this run

  bool Available() const { return !directory_.empty(); }

  // "start ok", "start 400", "stop", ...; false with `error` when the driver
  // did not answer or the stand-in did not reach the wanted state.
  bool Control(const std::string& command, std::string& error);

  // Requests logged from now on are the next ones TakeRequests returns.
  void Mark();

  // The paths of the requests logged since the mark, in order. Waits a few
  // seconds for `expected` of them and a moment for stragglers.
  std::vector<std::string> TakeRequests(size_t expected);

  // How many requests were logged since the mark, at once and without moving it.
  size_t CountSinceMark() const;

 private:
  std::string Path(const char* name) const;
  std::vector<std::string> ReadFromMark(uint64_t& end) const;

  std::string directory_;
  uint64_t mark_ = 0;
};

}  // namespace standin
