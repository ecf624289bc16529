// libmltmeridel.so's entry: MLT loads it from its module folder and calls
// mlt_register, which registers the filter service "meridel" and its
// metadata, read from MLT_DATA/meridel/filter_meridel.yml as MLT's own
// modules keep theirs.
#include <string>

extern "C" {
#include <framework/mlt_factory.h>
#include <framework/mlt_repository.h>
}

#include "mlt/filter.h"

namespace {

mlt_properties Metadata(mlt_service_type, const char*, void* file) {
  try {
    const char* data = mlt_environment("MLT_DATA");
    if (!data) return nullptr;
    const std::string path = std::string(data) + "/meridel/" + static_cast<const char*>(file);
    return mlt_properties_parse_yaml(path.c_str());
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

extern "C" MLT_REPOSITORY {
  MLT_REGISTER(mlt_service_filter_type, "meridel", meridel::mlt::NewFilter);
  MLT_REGISTER_METADATA(mlt_service_filter_type, "meridel", Metadata, const_cast<char*>("filter_meridel.yml"));
}
