// What MLT's avformat producer says of the file it opened: the facts the
// Linux hosts built on MLT read from its properties (meta.media.*,
// meta.attr.*.markup) to align, describe and re-encode a clip.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <framework/mlt_properties.h>
}

namespace meridel::media {

// UTC seconds of the container's creation time (avformat's
// meta.attr.creation_time.markup), else the video stream's; nothing when
// neither reads as a time. Never the file's modification time, which
// mlt_producer_get_creation_time falls back to and a copy changes.
std::optional<int32_t> CreationTimeOf(mlt_properties producer);

struct AudioFacts {
  int sampleRate = 0;
  int channels = 0;
  int64_t bitRate = 0;  // bits a second; 0 when the container does not say
  std::string codec;    // libavcodec's name: "aac", "pcm_s16le"...
};

struct ProducerFacts {
  std::optional<int32_t> creationTime;
  std::string creationText;  // the tag as written, for messages; empty without one
  int width = 0;
  int height = 0;
  std::string videoCodec;
  int64_t videoBitRate = 0;  // 0 when the container does not say
  std::optional<AudioFacts> audio;  // the stream the producer plays
};

// The facts of a valid avformat producer; `producer` is its properties.
ProducerFacts FactsOf(mlt_properties producer);

// The container's own tags (creation_time, location, title...), name and
// text, as avformat's consumer writes them back from meta.attr.NAME.markup;
// without the streams' tags and those every muxer writes itself (brands,
// encoder).
std::vector<std::pair<std::string, std::string>> ContainerTags(mlt_properties producer);

}  // namespace meridel::media
