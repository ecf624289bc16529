#include "media/producer_facts.h"

#include <cstring>
#include <string_view>

#include "overlay/start_rule.h"

namespace meridel::media {
namespace {

// The text of meta.<kind>.<index>.<name>, or null.
const char* StreamProperty(mlt_properties producer, const char* kind, int index, const char* name) {
  const std::string key = std::string("meta.") + kind + "." + std::to_string(index) + "." + name;
  return mlt_properties_get(producer, key.c_str());
}

int64_t NumberOr0(const char* text) { return text ? std::strtoll(text, nullptr, 10) : 0; }

// The container's creation_time tag, else the video stream's; null without either.
const char* CreationTag(mlt_properties producer) {
  const char* creation = mlt_properties_get(producer, "meta.attr.creation_time.markup");
  if (!creation && mlt_properties_get(producer, "video_index")) {
    creation = StreamProperty(producer, "attr", mlt_properties_get_int(producer, "video_index"),
                              "stream.creation_time.markup");
  }
  return creation;
}

}  // namespace

std::optional<int32_t> CreationTimeOf(mlt_properties producer) {
  const char* creation = CreationTag(producer);
  if (!creation) return std::nullopt;
  return ParseUtcTime(creation);
}

ProducerFacts FactsOf(mlt_properties producer) {
  ProducerFacts facts;
  facts.creationTime = CreationTimeOf(producer);
  if (const char* tag = CreationTag(producer)) facts.creationText = tag;
  facts.width = mlt_properties_get_int(producer, "width");
  facts.height = mlt_properties_get_int(producer, "height");

  const int video = mlt_properties_get_int(producer, "video_index");
  if (const char* codec = StreamProperty(producer, "media", video, "codec.name")) facts.videoCodec = codec;
  facts.videoBitRate = NumberOr0(StreamProperty(producer, "media", video, "codec.bit_rate"));

  const int audio = mlt_properties_get_int(producer, "audio_index");
  if (audio >= 0 && mlt_properties_get(producer, "audio_index")) {
    const char* type = StreamProperty(producer, "media", audio, "stream.type");
    if (type && std::string_view(type) == "audio") {
      AudioFacts a;
      a.sampleRate = static_cast<int>(NumberOr0(StreamProperty(producer, "media", audio, "codec.sample_rate")));
      a.channels = static_cast<int>(NumberOr0(StreamProperty(producer, "media", audio, "codec.channels")));
      a.bitRate = NumberOr0(StreamProperty(producer, "media", audio, "codec.bit_rate"));
      if (const char* codec = StreamProperty(producer, "media", audio, "codec.name")) a.codec = codec;
      if (a.sampleRate > 0 && a.channels > 0) facts.audio = a;
    }
  }
  return facts;
}

std::vector<std::pair<std::string, std::string>> ContainerTags(mlt_properties producer) {
  constexpr std::string_view kPrefix = "meta.attr.", kSuffix = ".markup";
  constexpr std::string_view kMuxersOwn[] = {"major_brand", "minor_version", "compatible_brands", "encoder"};
  std::vector<std::pair<std::string, std::string>> tags;
  for (int i = 0; i < mlt_properties_count(producer); ++i) {
    const char* key = mlt_properties_get_name(producer, i);
    const char* value = mlt_properties_get_value(producer, i);
    if (!key || !value) continue;
    std::string_view name(key);
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) continue;
    name = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    // Streams' tags are meta.attr.<index>.stream.<name>.markup.
    if (name.empty() || name.find(".stream.") != std::string_view::npos) continue;
    bool own = false;
    for (std::string_view muxers : kMuxersOwn) own = own || name == muxers;
    if (!own) tags.emplace_back(std::string(name), value);
  }
  return tags;
}

}  // namespace meridel::media
