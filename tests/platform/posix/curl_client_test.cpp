// The libcurl client for real, against the JOSM stand-in on a free loopback
// port: what arrives, byte for byte, and how every kind of answer comes back.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "josm/http_transport.h"
#include "platform/posix/curl_client.h"

namespace {

using namespace std::chrono_literals;
using platform::HttpHandle;
using Outcome = meridel::HttpOutcome;

const std::string kControl = std::string(MERIDEL_SOURCE_DIR) + "/tools/josm-standin-ctl.sh";
constexpr const char* kZoom = "zoom?left=139.75900000&right=139.76100000&top=35.68200000&bottom=35.68000000";
constexpr const char* kAddNode = "add_node?lon=139.76000000&lat=35.68100000";

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// The stand-in on a port of its own choosing, stopped by its pid.
class StandIn {
 public:
  explicit StandIn(const std::string& mode) {
    char pattern[] = "/tmp/meridel-josm-XXXXXX";
    dir_ = mkdtemp(pattern);
    log_ = dir_ + "/requests.log";
    const std::string command = "sh " + Quoted(kControl) + " start 0 " + Quoted(log_) + " " + mode;
    if (FILE* out = popen(command.c_str(), "r")) {
      char line[32] = {};
      started_ = std::fgets(line, sizeof line, out) != nullptr && std::atoi(line) > 0;
      started_ = pclose(out) == 0 && started_;
    }
    std::ifstream(log_ + ".ready") >> port_;
  }
  ~StandIn() {
    std::system(("sh " + Quoted(kControl) + " stop " + Quoted(log_ + ".pid")).c_str());
    std::filesystem::remove_all(dir_);
  }
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  bool Listening() const { return started_ && port_ != 0; }
  uint16_t Port() const { return port_; }
  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    std::ifstream file(log_);
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }
  // The log line of a request as the module should send it.
  std::string Entry(const std::string& text, const std::string& answered) const {
    const std::string requestLine = "GET /" + text + " HTTP/1.1";
    return "{\"request_line\": \"" + requestLine + "\", \"path\": \"/" + text +
           "\", \"user_agent\": \"\", \"headers\": [[\"Host\", \"127.0.0.1:" + std::to_string(port_) +
           "\"], [\"User-Agent\", \"\"]], \"answered\": " + answered + "}";
  }

 private:
  std::string dir_;
  std::string log_;
  bool started_ = false;
  uint16_t port_ = 0;
};

// A loopback port where nothing listens: bound, so nobody else takes it, but
// not listening, so connections are refused.
class AbsentServer {
 public:
  AbsentServer() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      port_ = ntohs(address.sin_port);
  }
  ~AbsentServer() { close(socket_); }
  AbsentServer(const AbsentServer&) = delete;
  AbsentServer& operator=(const AbsentServer&) = delete;
  uint16_t Port() const { return port_; }

 private:
  int socket_;
  uint16_t port_ = 0;
};

// Passes the transport's requests to the real client, sent to a test port
// instead of JOSM's.
class RedirectedClient final : public platform::HttpClient {
 public:
  RedirectedClient(platform::HttpClient& client, uint16_t port) : client_(client), port_(port) {}
  void RedirectTo(uint16_t port) { port_ = port; }
  std::vector<uint16_t> portsAsked;

  HttpHandle OpenSession(const char* agentName) override { return client_.OpenSession(agentName); }
  void SetTimeouts(HttpHandle session, const platform::HttpTimeouts& timeouts) override {
    client_.SetTimeouts(session, timeouts);
  }
  HttpHandle Connect(HttpHandle session, const char* server, uint16_t port) override {
    portsAsked.push_back(port);
    return client_.Connect(session, server, port_);
  }
  HttpHandle OpenRequest(HttpHandle connection, const char* verb, const char* object, uint32_t flags) override {
    return client_.OpenRequest(connection, verb, object, flags);
  }
  bool SendRequest(HttpHandle request) override { return client_.SendRequest(request); }
  bool QueryStatusCode(HttpHandle request, uint32_t& status) override {
    return client_.QueryStatusCode(request, status);
  }
  void CloseHandle(HttpHandle handle) override { client_.CloseHandle(handle); }

 private:
  platform::HttpClient& client_;
  uint16_t port_;
};

// The six operations in the transport's order, each outcome kept.
struct Exchange {
  bool connected = false;
  bool requestOpened = false;
  bool sent = false;
  std::optional<uint32_t> status;
};

Exchange RunExchange(platform::HttpClient& client, HttpHandle session, uint16_t port, const char* text) {
  Exchange result;
  HttpHandle connection = client.Connect(session, "127.0.0.1", port);
  HttpHandle request = connection ? client.OpenRequest(connection, "GET", text, 0x84000000) : nullptr;
  result.connected = connection != nullptr;
  result.requestOpened = request != nullptr;
  if (request) result.sent = client.SendRequest(request);
  uint32_t status = 0;
  if (request && client.QueryStatusCode(request, status)) result.status = status;
  client.CloseHandle(request);
  client.CloseHandle(connection);
  return result;
}

struct AnswerCase {
  const char* name;
  const char* mode;
  bool sent;
  std::optional<uint32_t> status;
  const char* answered;  // as the stand-in logs it
  meridel::HttpOutcome outcome;
  friend void PrintTo(const AnswerCase& c, std::ostream* out) { *out << c.name; }
};

class CurlAnswers : public testing::TestWithParam<AnswerCase> {};

TEST_P(CurlAnswers, StatusAndRequestBytesAsTheStandInSawThem) {
  const AnswerCase& c = GetParam();
  StandIn standIn(c.mode);
  ASSERT_TRUE(standIn.Listening());
  platform::CurlClient client(10s);
  HttpHandle session = client.OpenSession("");
  ASSERT_NE(session, nullptr);

  const Exchange exchange = RunExchange(client, session, standIn.Port(), kZoom);
  EXPECT_TRUE(exchange.connected);
  EXPECT_TRUE(exchange.requestOpened);
  EXPECT_EQ(exchange.sent, c.sent);
  EXPECT_EQ(exchange.status, c.status);

  RedirectedClient redirected(client, standIn.Port());
  EXPECT_EQ(meridel::HttpGetLocal(redirected, session, kZoom), c.outcome);
  EXPECT_EQ(redirected.portsAsked, std::vector<uint16_t>{meridel::kJosmPort});

  // Exactly the request line and two headers: no Accept, an empty User-Agent.
  const std::string entry = standIn.Entry(kZoom, c.answered);
  EXPECT_EQ(standIn.Log(), (std::vector<std::string>{entry, entry}));
  client.CloseHandle(session);
}

INSTANTIATE_TEST_SUITE_P(Modes, CurlAnswers,
                         testing::Values(AnswerCase{"Ok", "ok", true, 200, "200", Outcome::Status200},
                                         AnswerCase{"BadRequest", "400", true, 400, "400", Outcome::OtherStatus},
                                         AnswerCase{"Forbidden", "403", true, 403, "403", Outcome::OtherStatus},
                                         AnswerCase{"Reset", "reset", false, std::nullopt, "\"reset\"",
                                                    Outcome::NoAnswer}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CurlClient, AbsentServerFailsFastAndTheSessionServesTheNextCall) {
  AbsentServer absent;
  ASSERT_NE(absent.Port(), 0);
  platform::CurlClient client(10s);
  RedirectedClient redirected(client, absent.Port());
  HttpHandle session = nullptr;

  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(meridel::HttpGetLocal(redirected, session, kZoom), Outcome::NoAnswer);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
  ASSERT_NE(session, nullptr);
  const Exchange exchange = RunExchange(client, session, absent.Port(), kZoom);
  EXPECT_TRUE(exchange.requestOpened);
  EXPECT_FALSE(exchange.sent);
  EXPECT_EQ(exchange.status, std::nullopt);

  // JOSM comes up: the same session reaches it, one request after another.
  StandIn standIn("ok");
  ASSERT_TRUE(standIn.Listening());
  redirected.RedirectTo(standIn.Port());
  const HttpHandle kept = session;
  EXPECT_EQ(meridel::HttpGetLocal(redirected, session, kZoom), Outcome::Status200);
  EXPECT_EQ(meridel::HttpGetLocal(redirected, session, kAddNode), Outcome::Status200);
  EXPECT_EQ(session, kept);
  EXPECT_EQ(standIn.Log(), (std::vector<std::string>{standIn.Entry(kZoom, "200"), standIn.Entry(kAddNode, "200")}));
  client.CloseHandle(session);
}

// The relay that stands between the module and a real JOSM must pass the
// request on unchanged and JOSM's answer back, and log what JOSM answered.
struct RelayCase {
  const char* name;
  const char* upstreamMode;  // nullptr: nothing listens behind the relay
  std::optional<uint32_t> status;
  const char* logged;  // the relay's "answered" and "answer_body" fields
};

class CurlThroughRelay : public testing::TestWithParam<RelayCase> {};

TEST_P(CurlThroughRelay, PassesTheRequestUnchangedAndLogsTheAnswer) {
  const RelayCase& c = GetParam();
  AbsentServer absent;
  std::optional<StandIn> upstream;
  if (c.upstreamMode) upstream.emplace(c.upstreamMode);
  const uint16_t upstreamPort = upstream ? upstream->Port() : absent.Port();
  ASSERT_NE(upstreamPort, 0);
  StandIn relay("relay --relay-port " + std::to_string(upstreamPort));
  ASSERT_TRUE(relay.Listening());
  platform::CurlClient client(10s);
  HttpHandle session = client.OpenSession("");

  EXPECT_EQ(RunExchange(client, session, relay.Port(), kZoom).status, c.status);
  std::string expected = relay.Entry(kZoom, "");
  expected.replace(expected.size() - 1, 1, c.logged);
  EXPECT_EQ(relay.Log(), std::vector<std::string>{expected});
  // The request bytes as sent, Host header included.
  if (upstream) {
    EXPECT_EQ(upstream->Log(), std::vector<std::string>{relay.Entry(kZoom, std::to_string(*c.status))});
  }
  client.CloseHandle(session);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CurlThroughRelay,
    testing::Values(RelayCase{"Ok", "ok", 200, R"(200, "answer_body": "OK\r\n"})"},
                    RelayCase{"BadRequest", "400", 400, R"(400, "answer_body": "Bad Request\r\n"})"},
                    RelayCase{"NothingBehind", nullptr, std::nullopt, R"("refused"})"}),
    [](const auto& info) { return std::string(info.param.name); });

// A loopback port whose accept queue is full: the kernel drops further
// connection attempts without an answer, as a firewall, or a JOSM that
// listens but no longer accepts, does.
class FullBacklogServer {
 public:
  FullBacklogServer() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 0) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    // A backlog of 0 holds one connection; this one fills it.
    if (connect(filler_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) port_ = ntohs(address.sin_port);
  }
  ~FullBacklogServer() {
    close(filler_);
    close(listener_);
  }
  FullBacklogServer(const FullBacklogServer&) = delete;
  FullBacklogServer& operator=(const FullBacklogServer&) = delete;
  uint16_t Port() const { return port_; }

 private:
  int listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  int filler_ = ::socket(AF_INET, SOCK_STREAM, 0);
  uint16_t port_ = 0;
};

// The limits the transport sets on its session, as libcurl applies them.
struct LimitCase {
  const char* name;
  const char* mode;  // the stand-in's; nullptr: nothing answers the connection attempt
  Outcome outcome;
  std::chrono::milliseconds atLeast;
  std::chrono::milliseconds below;
  friend void PrintTo(const LimitCase& c, std::ostream* out) { *out << c.name; }
};

class CurlLimits : public testing::TestWithParam<LimitCase> {};

TEST_P(CurlLimits, TheTransportsTimeOutsBoundEachWait) {
  const LimitCase& c = GetParam();
  std::optional<StandIn> standIn;
  FullBacklogServer silent;
  if (c.mode) {
    standIn.emplace(c.mode);
    ASSERT_TRUE(standIn->Listening());
  }
  const uint16_t port = standIn ? standIn->Port() : silent.Port();
  ASSERT_NE(port, 0);
  platform::CurlClient client(10s);
  RedirectedClient redirected(client, port);
  HttpHandle session = nullptr;

  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(meridel::HttpGetLocal(redirected, session, kZoom), c.outcome);
  const auto took = std::chrono::steady_clock::now() - before;
  EXPECT_GE(took, c.atLeast);
  EXPECT_LT(took, c.below);
  client.CloseHandle(session);
}

constexpr std::chrono::milliseconds kConnectLimit(meridel::kJosmTimeouts.connect);
constexpr std::chrono::milliseconds kAnswerLimit(meridel::kJosmTimeouts.receive);
constexpr auto kTimerSlack = 50ms;  // libcurl's timers may fire a little early

INSTANTIATE_TEST_SUITE_P(
    Waits, CurlLimits,
    testing::Values(LimitCase{"SlowAnswerWithinTheLimit", "slow --delay 0.3", Outcome::Status200, 300ms, kAnswerLimit},
                    LimitCase{"AnswerPastTheLimit", "slow --delay 3", Outcome::NoAnswer,
                              kAnswerLimit - kTimerSlack, kAnswerLimit + 500ms},
                    LimitCase{"AcceptedNeverAnswered", "hang", Outcome::NoAnswer, kAnswerLimit - kTimerSlack,
                              kAnswerLimit + 500ms},
                    LimitCase{"ConnectionNeverMade", nullptr, Outcome::NoAnswer, kConnectLimit - kTimerSlack,
                              kConnectLimit + 500ms}),
    [](const auto& info) { return std::string(info.param.name); });

// A session whose time-outs were never set keeps the client's own bound.
TEST(CurlClient, SessionWithoutTimeOutsKeepsTheClientsBound) {
  StandIn standIn("slow --delay 3");
  ASSERT_TRUE(standIn.Listening());
  platform::CurlClient client(300ms);
  HttpHandle session = client.OpenSession("");
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(RunExchange(client, session, standIn.Port(), kZoom).status, std::nullopt);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 1300ms);
  client.CloseHandle(session);
}

TEST(CurlClient, IgnoresProxiesFromTheEnvironment) {
  StandIn standIn("ok");
  ASSERT_TRUE(standIn.Listening());
  const char* const variables[] = {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"};
  for (const char* name : variables) setenv(name, "http://127.0.0.1:9", 1);
  platform::CurlClient client(10s);
  RedirectedClient redirected(client, standIn.Port());
  HttpHandle session = nullptr;
  const Outcome outcome = meridel::HttpGetLocal(redirected, session, kZoom);
  for (const char* name : variables) unsetenv(name);
  EXPECT_EQ(outcome, Outcome::Status200);
  client.CloseHandle(session);
}

// Nothing that could leave the loopback address or bend the request goes out;
// these fail before any connection is made.
TEST(CurlClient, RefusesNamesOtherVerbsAndTextsThatBreakTheRequestLine) {
  platform::CurlClient client(10s);
  HttpHandle session = client.OpenSession("");
  ASSERT_NE(session, nullptr);
  for (const char* server : {"localhost", "127.1", "::1", "127.0.0.1:80", ""}) {
    SCOPED_TRACE(server);
    EXPECT_EQ(client.Connect(session, server, 8111), nullptr);
  }
  HttpHandle connection = client.Connect(session, "127.0.0.1", 8111);
  ASSERT_NE(connection, nullptr);
  struct RequestCase {
    const char* verb;
    const char* object;
  };
  for (const RequestCase& c : {RequestCase{"POST", kZoom}, RequestCase{"GET", "zoom HTTP/1.0\r\nX-Injected: 1"},
                               RequestCase{"GET", "zoom?left=1 2"}, RequestCase{"GET", "zoom\n"}}) {
    SCOPED_TRACE(c.object);
    EXPECT_EQ(client.OpenRequest(connection, c.verb, c.object, 0x84000000), nullptr);
  }
  EXPECT_EQ(client.OpenSession("agent\r\nX-Injected: 1"), nullptr);
  // Handles of the wrong kind are refused, and closing null does nothing.
  EXPECT_EQ(client.Connect(connection, "127.0.0.1", 8111), nullptr);
  EXPECT_EQ(client.OpenRequest(session, "GET", kZoom, 0), nullptr);
  client.CloseHandle(nullptr);
  client.CloseHandle(connection);
  client.CloseHandle(session);
}

}  // namespace
