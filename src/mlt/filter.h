// The meridel filter service: MLT's constructor for it. Nothing thrown or
// crashed inside may reach MLT: every callback catches everything, and every
// frame comes back.
#pragma once

extern "C" {
#include <framework/mlt_filter.h>
#include <framework/mlt_profile.h>
#include <framework/mlt_types.h>
}

namespace meridel::mlt {

// A new filter with every property at its default; `arg` (melt's
// `-filter meridel FILE`) is the GPX file. Null when out of memory.
mlt_filter NewFilter(mlt_profile profile, mlt_service_type type, const char* id, char* arg);

}  // namespace meridel::mlt
