// Frames with "JOSM sync" ticked through the real libcurl client and the
// steady clock: one GET to 127.0.0.1:8111 per frame, none within the quiet
// period after an unanswered one. bench/run.sh runs these inside a private
// network namespace, with the JOSM stand-in listening there or not, or with
// connection attempts dropped. The counters tell which case was measured.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "bench_host.h"
#include "platform/posix/curl_client.h"
#include "platform/posix/steady_clock.h"
#include "support/fake_platform.h"

namespace bench {
namespace {

// Passes every operation on to libcurl and counts how the exchanges ended.
class CountingClient final : public platform::HttpClient {
 public:
  int64_t sent = 0;
  int64_t answered200 = 0;
  int64_t refused = 0;  // the request could not go out: nobody listens

  platform::HttpHandle OpenSession(const char* agentName) override { return curl_.OpenSession(agentName); }
  void SetTimeouts(platform::HttpHandle session, const platform::HttpTimeouts& timeouts) override {
    curl_.SetTimeouts(session, timeouts);
  }
  platform::HttpHandle Connect(platform::HttpHandle session, const char* server, uint16_t port) override {
    return curl_.Connect(session, server, port);
  }
  platform::HttpHandle OpenRequest(platform::HttpHandle connection, const char* verb, const char* object,
                                   uint32_t flags) override {
    return curl_.OpenRequest(connection, verb, object, flags);
  }
  bool SendRequest(platform::HttpHandle request) override {
    ++sent;
    const bool ok = curl_.SendRequest(request);
    if (!ok) ++refused;
    return ok;
  }
  bool QueryStatusCode(platform::HttpHandle request, uint32_t& status) override {
    const bool ok = curl_.QueryStatusCode(request, status);
    if (ok && status == 200) ++answered200;
    return ok;
  }
  void CloseHandle(platform::HttpHandle handle) override { curl_.CloseHandle(handle); }

 private:
  platform::HttpClient& curl_ = platform::CurlHttpClient();
};

// A filter on a fresh fake platform whose requests go through `client` and
// whose quiet periods follow the steady clock, with "JOSM sync" ticked over a
// loaded track. Its exit closes the session through the same client.
class SyncedHost {
 public:
  explicit SyncedHost(platform::HttpClient& client) {
    fake::UseHttpClient(&client);
    fake::UseClock(platform::SteadyClockMilliseconds);
    host_.LoadTrack(kTrackPoints);
    host_.SetJosmSync(true);
  }

  BenchHost& Host() { return host_; }

 private:
  // Destroyed after the host, whose exit still needs the client.
  struct Restore {
    ~Restore() {
      fake::UseHttpClient(nullptr);
      fake::UseClock(nullptr);
    }
  } restore_;
  BenchHost host_;  // its start resets the fake platform, before the client goes in
};

// A fixed count, so that the curl baseline can send the same number of GETs.
constexpr int kSyncFrames = 2000;

void BM_FrameCallback_Sync(benchmark::State& state) {
  CountingClient client;
  {
    SyncedHost synced(client);
    BenchHost& host = synced.Host();
    FrameProcInfo frame = host.Frame(0);
    for (auto _ : state) {
      benchmark::DoNotOptimize(host.Render(frame));
      ++frame.frame;
    }
  }

  state.SetItemsProcessed(state.iterations());
  state.counters["requests"] = static_cast<double>(client.sent);
  state.counters["answered_200"] = static_cast<double>(client.answered200);
  state.counters["refused"] = static_cast<double>(client.refused);
  state.SetLabel(client.answered200 == client.sent ? "JOSM present"
                 : client.refused == client.sent   ? "JOSM absent (connection refused)"
                                                   : "mixed outcomes");
}
BENCHMARK(BM_FrameCallback_Sync)->Iterations(kSyncFrames)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Frames at 29.97 fps, as in playback, each timed alone: the average and the
// worst frame whatever JOSM does. The time is the frames' own, not the
// pauses between them. With MERIDEL_SYNC_THEN set, five frames answered
// first, then that shell command (which changes JOSM's side), then the timed
// frames at once.
void BM_FrameCallback_SyncPaced(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  constexpr int kFrames = 300;
  constexpr auto kPeriod = std::chrono::nanoseconds(1'000'000'000LL * kScale / kRate);
  constexpr auto kWaited = std::chrono::milliseconds(100);  // a frame that waited for the network
  CountingClient client;
  Clock::duration total{}, worst{}, worstQuick{};
  int waits = 0;
  {
    SyncedHost synced(client);
    BenchHost& host = synced.Host();
    FrameProcInfo frame = host.Frame(0);
    if (const char* then = std::getenv("MERIDEL_SYNC_THEN")) {
      for (int i = 0; i < 5; ++i, ++frame.frame) benchmark::DoNotOptimize(host.Render(frame));
      if (std::system(then) != 0) state.SkipWithError("MERIDEL_SYNC_THEN failed");
    }
    for (auto _ : state) {
      const Clock::time_point start = Clock::now();
      for (int i = 0; i < kFrames; ++i, ++frame.frame) {
        std::this_thread::sleep_until(start + i * kPeriod);
        const Clock::time_point before = Clock::now();
        benchmark::DoNotOptimize(host.Render(frame));
        const Clock::duration took = Clock::now() - before;
        total += took;
        worst = std::max(worst, took);
        if (took >= kWaited) ++waits;
        else worstQuick = std::max(worstQuick, took);
      }
      state.SetIterationTime(std::chrono::duration<double>(total).count());
    }
  }

  using Ms = std::chrono::duration<double, std::milli>;
  state.counters["frames"] = kFrames;
  state.counters["average_ms"] = Ms(total).count() / kFrames;
  state.counters["worst_ms"] = Ms(worst).count();
  state.counters["worst_quick_ms"] = Ms(worstQuick).count();
  state.counters["waits"] = waits;
  state.counters["requests"] = static_cast<double>(client.sent);
  state.counters["answered_200"] = static_cast<double>(client.answered200);
}
BENCHMARK(BM_FrameCallback_SyncPaced)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace bench
