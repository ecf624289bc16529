#include "josm/josm_sender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/fake_platform.h"

namespace {

using meridel::HttpOutcome;
using meridel::JosmCommand;

// Nodes all go out in order and the latest view always does; no request goes
// twice; each outcome reaches the callback; an answer-less JOSM starts the
// quiet period for views, not for nodes.
TEST(JosmSender, NodesAllInOrderAndTheLatestView) {
  fake::Reset();
  std::vector<std::pair<JosmCommand, HttpOutcome>> done;
  std::mutex doneMutex;
  {
    meridel::JosmSender sender([&](JosmCommand command, HttpOutcome outcome) {
      const std::lock_guard<std::mutex> lock(doneMutex);
      done.emplace_back(command, outcome);
    });
    for (int i = 0; i < 20; ++i) {
      sender.Post(JosmCommand::ZoomView, "zoom?" + std::to_string(i));
      if (i % 5 == 0) sender.Post(JosmCommand::AddNode, "add_node?" + std::to_string(i));
    }
    ASSERT_TRUE(sender.WaitIdle(std::chrono::seconds(5)));
    const std::vector<std::string>& sent = fake::Http().requests;
    std::vector<std::string> nodes;
    int lastZoom = -1;
    for (const std::string& request : sent) {
      if (request.starts_with("add_node")) {
        nodes.push_back(request);
        continue;
      }
      const int zoom = std::stoi(request.substr(5));
      EXPECT_GT(zoom, lastZoom) << "views go out in order, each once";
      lastZoom = zoom;
    }
    EXPECT_EQ(nodes, (std::vector<std::string>{"add_node?0", "add_node?5", "add_node?10", "add_node?15"}));
    EXPECT_EQ(lastZoom, 19);
    EXPECT_EQ(done.size(), sent.size());

    fake::Http().failConnect = true;
    sender.Post(JosmCommand::ZoomView, "zoom?lost");
    ASSERT_TRUE(sender.WaitIdle(std::chrono::seconds(5)));
    const auto connects = [] {
      const auto& ops = fake::Http().operations;
      return std::count_if(ops.begin(), ops.end(), [](const std::string& op) { return op.starts_with("connect"); });
    };
    const auto before = connects();
    sender.Post(JosmCommand::AddNode, "add_node?asked");
    sender.Post(JosmCommand::ZoomView, "zoom?quiet");
    ASSERT_TRUE(sender.WaitIdle(std::chrono::seconds(5)));
    EXPECT_EQ(connects(), before + 1) << "within the quiet period only the node tries";
    EXPECT_EQ(done.back(), std::make_pair(JosmCommand::ZoomView, HttpOutcome::NoAnswer));
  }
  EXPECT_EQ(fake::Http().openHandles, 0);
}

}  // namespace
