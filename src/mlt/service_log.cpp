#include "mlt/service_log.h"

extern "C" {
#include <framework/mlt_log.h>
}

namespace meridel::mlt {

void ServiceLog::Once(int level, const std::string& line) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!said_.insert(line).second) return;
  }
  mlt_log(service_, level, "%s\n", line.c_str());
}

}  // namespace meridel::mlt
