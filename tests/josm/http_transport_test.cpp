#include "josm/http_transport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/fake_platform.h"

using fake::RecordingHttpClient;
using meridel::HttpGetLocal;
using meridel::HttpOutcome;

namespace {

using Operations = std::vector<std::string>;

const Operations kOpen = {"open-session ''", "set-timeouts 1000 2000 2000"};
const Operations kThroughQuery = {"connect 127.0.0.1:8111", "open-request GET zoom?left=1 0x84000000", "send",
                                  "query"};
const Operations kCloseBoth = {"close request", "close connection"};

Operations Join(std::initializer_list<Operations> parts) {
  Operations all;
  for (const Operations& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const Operations kAnswered = Join({kOpen, kThroughQuery, kCloseBoth});

struct Case {
  const char* name;
  void (*script)(RecordingHttpClient&);
  HttpOutcome result;
  Operations operations;
};

const Case kCases[] = {
    {"200", [](RecordingHttpClient&) {}, HttpOutcome::Status200, kAnswered},
    {"204", [](RecordingHttpClient& c) { c.status = 204; }, HttpOutcome::OtherStatus, kAnswered},
    {"400", [](RecordingHttpClient& c) { c.status = 400; }, HttpOutcome::OtherStatus, kAnswered},
    {"403", [](RecordingHttpClient& c) { c.status = 403; }, HttpOutcome::OtherStatus, kAnswered},
    {"500", [](RecordingHttpClient& c) { c.status = 500; }, HttpOutcome::OtherStatus, kAnswered},
    {"query fails", [](RecordingHttpClient& c) { c.failQuery = true; }, HttpOutcome::NoAnswer, kAnswered},
    {"send fails", [](RecordingHttpClient& c) { c.failSend = true; }, HttpOutcome::NoAnswer,
     Join({kOpen, {kThroughQuery.begin(), kThroughQuery.end() - 1}, kCloseBoth})},
    {"no request", [](RecordingHttpClient& c) { c.failOpenRequest = true; }, HttpOutcome::NoAnswer,
     Join({kOpen, {kThroughQuery.begin(), kThroughQuery.begin() + 2}, {"close null", "close connection"}})},
    {"no connection", [](RecordingHttpClient& c) { c.failConnect = true; }, HttpOutcome::NoAnswer,
     Join({kOpen, {kThroughQuery[0]}, {"close null", "close null"}})},
    {"no session", [](RecordingHttpClient& c) { c.failOpenSession = true; }, HttpOutcome::NoAnswer,
     Join({{kOpen[0]}, {"close null", "close null"}})},
};

}  // namespace

TEST(HttpGetLocal, OutcomeByAnswerAndEveryPathClosesRequestThenConnection) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    RecordingHttpClient client;
    c.script(client);
    platform::HttpHandle session = nullptr;
    EXPECT_EQ(HttpGetLocal(client, session, "zoom?left=1"), c.result);
    EXPECT_EQ(client.operations, c.operations);
    EXPECT_EQ(client.openHandles, 0);
    EXPECT_EQ(session != nullptr, !client.failOpenSession);  // kept for the next call, never closed here
  }
}

TEST(HttpGetLocal, SessionOpenedOnceAndReused) {
  RecordingHttpClient client;
  platform::HttpHandle session = nullptr;
  EXPECT_EQ(HttpGetLocal(client, session, "zoom?left=1"), HttpOutcome::Status200);
  const platform::HttpHandle first = session;
  client.status = 404;
  EXPECT_EQ(HttpGetLocal(client, session, "zoom?left=1"), HttpOutcome::OtherStatus);
  client.status = 200;
  client.operations.clear();
  EXPECT_EQ(HttpGetLocal(client, session, "zoom?left=1"), HttpOutcome::Status200);
  EXPECT_EQ(session, first);
  EXPECT_EQ(client.sessionsOpened, 1);
  EXPECT_EQ(client.operations, Join({kThroughQuery, kCloseBoth}));
}

TEST(HttpGetLocal, FailedSessionIsRetriedByTheNextCallAndOnlyAnOpenedOneGetsTimeOuts) {
  RecordingHttpClient client;
  client.failOpenSession = true;
  platform::HttpHandle session = nullptr;
  EXPECT_EQ(HttpGetLocal(client, session, "a"), HttpOutcome::NoAnswer);
  EXPECT_EQ(HttpGetLocal(client, session, "a"), HttpOutcome::NoAnswer);
  EXPECT_EQ(session, nullptr);
  client.failOpenSession = false;
  client.operations.clear();
  EXPECT_EQ(HttpGetLocal(client, session, "a"), HttpOutcome::Status200);
  EXPECT_NE(session, nullptr);
  EXPECT_EQ(client.sessionsOpened, 1);
  EXPECT_EQ(std::count(client.operations.begin(), client.operations.end(), kOpen[1]), 1);
}

TEST(HttpGetLocal, TextSentUnchangedAsTheObject) {
  RecordingHttpClient client;
  platform::HttpHandle session = nullptr;
  const std::string text = "add_node?lon=-0.12500000&lat=51.50000000";
  HttpGetLocal(client, session, text);
  EXPECT_EQ(client.requests, std::vector<std::string>{text});
}
