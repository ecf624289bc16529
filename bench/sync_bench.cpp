// Frames with "JOSM sync" ticked through the real libcurl client: one GET to
// 127.0.0.1:8111 per frame. bench/run.sh runs these inside a private network
// namespace, once with the JOSM stand-in listening there and once without
// (connection refused). The counters tell which case was measured.
#include <benchmark/benchmark.h>

#include "bench_host.h"
#include "support/fake_platform.h"
#include "platform/posix/curl_client.h"

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

// A fixed count, so that the curl baseline can send the same number of GETs.
constexpr int kSyncFrames = 2000;

void BM_FrameCallback_Sync(benchmark::State& state) {
  CountingClient client;
  {
    BenchHost host;
    fake::UseHttpClient(&client);
    host.LoadTrack(kTrackPoints);
    host.SetJosmSync(true);
    FrameProcInfo frame = host.Frame(0);
    for (auto _ : state) {
      benchmark::DoNotOptimize(host.Render(frame));
      ++frame.frame;
    }
  }  // exiting the filter closes the session through the same client
  fake::UseHttpClient(nullptr);

  state.SetItemsProcessed(state.iterations());
  state.counters["requests"] = static_cast<double>(client.sent);
  state.counters["answered_200"] = static_cast<double>(client.answered200);
  state.counters["refused"] = static_cast<double>(client.refused);
  state.SetLabel(client.answered200 == client.sent ? "JOSM present"
                 : client.refused == client.sent   ? "JOSM absent (connection refused)"
                                                   : "mixed outcomes");
}
BENCHMARK(BM_FrameCallback_Sync)->Iterations(kSyncFrames)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bench
