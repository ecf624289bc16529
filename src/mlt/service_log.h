// What one filter tells its user: lines in MLT's log on the filter's
// service, each said once (hosts render the same frame many times).
#pragma once

#include <mutex>
#include <set>
#include <string>

extern "C" {
#include <framework/mlt_service.h>
}

namespace meridel::mlt {

class ServiceLog {
 public:
  explicit ServiceLog(mlt_service service) : service_(service) {}

  // One line at `level` (MLT_LOG_WARNING, MLT_LOG_INFO...), the first time
  // it is said. Safe from any thread.
  void Once(int level, const std::string& line);

 private:
  mlt_service service_;
  std::mutex mutex_;
  std::set<std::string> said_;
};

}  // namespace meridel::mlt
