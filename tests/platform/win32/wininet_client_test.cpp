// The WinINet client for real (under Wine in the tests) against Winsock
// servers on free loopback ports: its own check bounds a request to a port
// where nothing serves, and comes before every request.
#include "platform/win32/wininet_client.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "josm/http_transport.h"

namespace {

using namespace std::chrono_literals;
using platform::HttpHandle;

// A listening socket on a free loopback port that nobody accepts from
// unless a Server does.
class Listener {
 public:
  explicit Listener(int backlog) {
    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 2), &winsock);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(socket_, backlog) == 0 &&
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      port_ = ntohs(address.sin_port);
  }
  ~Listener() {
    closesocket(socket_);
    WSACleanup();
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;
  SOCKET Socket() const { return socket_; }
  uint16_t Port() const { return port_; }

 private:
  SOCKET socket_;
  uint16_t port_ = 0;
};

// Serves connections in turn: one that sends nothing is a "check"; the n-th
// request gets 200 if answers[n], else a reset.
class Server {
 public:
  explicit Server(std::vector<bool> answers) : answers_(std::move(answers)), thread_([this] { Serve(); }) {}
  ~Server() {
    stop_ = true;
    thread_.join();
  }
  uint16_t Port() const { return listener_.Port(); }
  // What the connections sent, once `count` of them were served or a second passed.
  std::vector<std::string> Seen(size_t count) {
    for (int i = 0; i < 100 && Count() < count; ++i) Sleep(10);
    const std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  size_t Count() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return seen_.size();
  }

  void Serve() {
    size_t requests = 0;
    while (!stop_) {
      fd_set ready;
      FD_ZERO(&ready);
      FD_SET(listener_.Socket(), &ready);
      timeval wait{0, 50000};
      if (select(0, &ready, nullptr, nullptr, &wait) != 1) continue;
      const SOCKET connection = accept(listener_.Socket(), nullptr, nullptr);
      if (connection == INVALID_SOCKET) continue;
      std::string head;
      char buffer[1024];
      for (int got; head.find("\r\n\r\n") == std::string::npos &&
                    (got = recv(connection, buffer, sizeof buffer, 0)) > 0;)
        head.append(buffer, got);
      const bool answer = !head.empty() && requests < answers_.size() && answers_[requests++];
      if (answer) {
        const char ok[] = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        send(connection, ok, sizeof ok - 1, 0);
        shutdown(connection, SD_SEND);
      } else if (!head.empty()) {
        const linger reset{1, 0};
        setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
      }
      closesocket(connection);
      const std::lock_guard<std::mutex> lock(mutex_);
      seen_.push_back(head.empty() ? "check" : "request");
    }
  }

  Listener listener_{SOMAXCONN};
  std::vector<bool> answers_;
  std::mutex mutex_;
  std::vector<std::string> seen_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// One GET in the transport's order, to the test's port; true when answered 200.
bool Get(platform::HttpClient& client, HttpHandle session, uint16_t port) {
  HttpHandle connection = client.Connect(session, "127.0.0.1", port);
  HttpHandle request = connection ? client.OpenRequest(connection, "GET", "zoom?left=1", 0x84000000) : nullptr;
  uint32_t status = 0;
  const bool answered = request && client.SendRequest(request) && client.QueryStatusCode(request, status);
  client.CloseHandle(request);
  client.CloseHandle(connection);
  return answered && status == 200;
}

HttpHandle OpenSession(platform::HttpClient& client) {
  HttpHandle session = client.OpenSession("");
  client.SetTimeouts(session, meridel::kJosmTimeouts);
  return session;
}

struct ServedCase {
  const char* name;
  std::vector<bool> answers;
  friend void PrintTo(const ServedCase& c, std::ostream* out) { *out << c.name; }
};

class WinInetServed : public testing::TestWithParam<ServedCase> {};

// However recent the last answer: JOSM may stop answering between two frames.
TEST_P(WinInetServed, ChecksBeforeEveryRequest) {
  const ServedCase& c = GetParam();
  platform::HttpClient& client = platform::WinInetHttpClient();
  HttpHandle session = OpenSession(client);
  {
    Server server(c.answers);
    ASSERT_NE(server.Port(), 0);
    std::vector<std::string> expected;
    for (const bool answer : c.answers) {
      EXPECT_EQ(Get(client, session, server.Port()), answer);
      expected.insert(expected.end(), {"check", "request"});
    }
    EXPECT_EQ(server.Seen(expected.size()), expected);
  }
  client.CloseHandle(session);
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, WinInetServed,
    testing::Values(ServedCase{"Answered", {true, true, true}}, ServedCase{"ResetThenAnswered", {false, true, true}}),
    [](const auto& info) { return std::string(info.param.name); });

// Nothing serves the port: its queue is full, so the kernel drops the SYN
// (as a firewall does), or it has room but the server never accepts (as a
// stopped process). Wine's WinINet would wait minutes for the first.
class WinInetSilent : public testing::TestWithParam<bool> {};

TEST_P(WinInetSilent, NoConnectionWithinTheConnectLimit) {
  Listener listener(0);  // the kernel queues one connection
  ASSERT_NE(listener.Port(), 0);
  const SOCKET filler = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(listener.Port());
  if (GetParam()) {
    ASSERT_EQ(connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  platform::HttpClient& client = platform::WinInetHttpClient();
  HttpHandle session = OpenSession(client);

  const auto before = std::chrono::steady_clock::now();
  EXPECT_FALSE(Get(client, session, listener.Port()));
  const auto took = std::chrono::steady_clock::now() - before;
  constexpr std::chrono::milliseconds kLimit(meridel::kJosmTimeouts.connect);
  EXPECT_GE(took, kLimit - 50ms);
  EXPECT_LT(took, kLimit + 500ms);
  client.CloseHandle(session);
  closesocket(filler);
}

INSTANTIATE_TEST_SUITE_P(Ports, WinInetSilent, testing::Bool(),
                         [](const auto& info) { return info.param ? "QueueFull" : "NeverAccepted"; });

}  // namespace
