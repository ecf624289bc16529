#include "mlt/frame_source.h"

extern "C" {
#include <framework/mlt_producer.h>
}

#include "media/producer_facts.h"

namespace meridel::mlt {

FrameSource SourceOf(mlt_frame frame) {
  FrameSource source{"the clip", std::nullopt};
  mlt_producer producer = mlt_frame_get_original_producer(frame);
  if (!producer) return source;
  source.blank = mlt_producer_is_blank(producer);
  producer = mlt_producer_cut_parent(producer);
  mlt_properties properties = MLT_PRODUCER_PROPERTIES(producer);
  const char* resource = mlt_properties_get(properties, "resource");
  const char* service = mlt_properties_get(properties, "mlt_service");
  if (resource && *resource) {
    source.name = resource;
  } else if (service) {
    source.name = service;
  }

  source.creationTime = media::CreationTimeOf(properties);
  return source;
}

}  // namespace meridel::mlt
