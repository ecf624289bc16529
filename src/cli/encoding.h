// How the meridel command encodes: the facts that both the chain and the
// help text state.
#pragma once

#include <cstdint>
#include <string_view>

namespace meridel::cli {

// libx264's constant-quality mode at 18, which x264's and ffmpeg's guides
// give as visually lossless: a re-encoded camera clip keeps its detail. The
// preset is the one of the plain transcode users run otherwise
// (ffmpeg -c:v libx264 -preset veryfast).
inline constexpr std::string_view kVideoCodec = "libx264";
inline constexpr int kCrf = 18;
inline constexpr std::string_view kPreset = "veryfast";

// MLT cannot copy a stream: the audio is encoded again as AAC at the
// source's rate and channels, at its bit rate within these bounds a channel
// (64 kb/s when the source does not say).
inline constexpr std::string_view kAudioCodec = "aac";
inline constexpr int64_t kMinAudioBitRatePerChannel = 32'000;
inline constexpr int64_t kMaxAudioBitRatePerChannel = 160'000;
inline constexpr int64_t kDefaultAudioBitRatePerChannel = 64'000;

// The bit rate for audio of `channels` whose source has `sourceBitRate`
// (0: unknown).
constexpr int64_t AudioBitRate(int64_t sourceBitRate, int channels) {
  const int64_t perChannel = sourceBitRate > 0 ? sourceBitRate / (channels > 0 ? channels : 1)
                                               : kDefaultAudioBitRatePerChannel;
  const int64_t bounded = perChannel < kMinAudioBitRatePerChannel   ? kMinAudioBitRatePerChannel
                          : perChannel > kMaxAudioBitRatePerChannel ? kMaxAudioBitRatePerChannel
                                                                    : perChannel;
  return bounded * (channels > 0 ? channels : 1);
}

}  // namespace meridel::cli
