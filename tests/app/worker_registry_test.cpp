// The worker registry: start order, empty slots, and shutdown with well- and ill-behaved
// workers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/worker_registry.h"

namespace tavrinex::app {
namespace {

struct Log {
  std::mutex mutex;
  std::vector<std::string> lines;
  void Add(std::string_view l) {
    const std::lock_guard lock(mutex);
    lines.emplace_back(l);
  }
  std::vector<std::string> Copy() {
    const std::lock_guard lock(mutex);
    return lines;
  }
};

TEST(WorkerRegistry, StartsInOrderWithTheTimersBetweenTheGroupsAndNamesEmptySlots) {
  auto log = std::make_shared<Log>();
  WorkerRegistry registry([log](std::string_view l) { log->Add(l); });
  auto order = std::make_shared<Log>();
  for (const Worker w : {Worker::kKeyboardDetection, Worker::kSharedAnimation,
                         Worker::kMouseKeyAutoSwitch}) {
    registry.Fill(w, [w, order](const core::StopEvent& stop) {
      order->Add(std::string(kWorkerSlots[static_cast<std::size_t>(w)].name));
      (void)stop.WaitFor(std::chrono::seconds(30));
    });
  }
  registry.Start([log] { log->Add("timers"); });
  const auto lines = log->Copy();
  ASSERT_EQ(lines.size(), 12u);  // 11 empty slots and the timers
  EXPECT_EQ(lines[7], "timers");  // after slot 9: slots 2 to 8 are empty
  EXPECT_NE(lines[0].find("mouse detection"), std::string::npos);
  EXPECT_NE(lines[0].find("device detection"), std::string::npos);
  EXPECT_NE(lines[8].find("profile auto-switch"), std::string::npos);

  const ShutdownOutcome outcome = registry.Shutdown();
  EXPECT_EQ(outcome.started, 3u);
  EXPECT_EQ(outcome.stillRunning, 0u);
  EXPECT_EQ(order->Copy().size(), 3u);
  EXPECT_NE(log->Copy().back().find("3 worker(s) ended"), std::string::npos);
}

// A worker still running at the limit is named, then waited for: the workers borrow what the
// window owns, so none may outlive the shutdown.
TEST(WorkerRegistry, AWorkerThatIgnoresItsStopIsNamedAtTheLimitAndStillJoined) {
  auto log = std::make_shared<Log>();
  auto release = std::make_shared<core::StopEvent>();
  auto ended = std::make_shared<std::atomic<bool>>(false);
  WorkerRegistry registry([log](std::string_view l) { log->Add(l); });
  registry.Fill(Worker::kKeyboardDetection,
                [](const core::StopEvent& stop) { (void)stop.WaitFor(std::chrono::seconds(30)); });
  // Ignores its own stop event; only the test's event ends it.
  registry.Fill(Worker::kMousePadAnimation, [release, ended](const core::StopEvent&) {
    (void)release->WaitFor(std::chrono::seconds(30));
    *ended = true;
  });
  registry.Start({});
  // Released once the shutdown has named it at its limit (a fixed pause could run out before the
  // shutdown even began on a loaded machine); the bound only ends a failing test.
  std::thread releaser([release, log] {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const auto named = [&log] {
      const auto lines = log->Copy();
      return !lines.empty() && lines.back().find("still running") != std::string::npos;
    };
    while (!named() && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    release->Set();
  });
  // A limit the worker that heeds its stop meets even on a loaded machine.
  const ShutdownOutcome outcome = registry.Shutdown(std::chrono::seconds(2));
  releaser.join();
  EXPECT_EQ(outcome.started, 2u);
  EXPECT_EQ(outcome.stillRunning, 1u);
  EXPECT_TRUE(*ended) << "Shutdown returned before the worker ended";
  const std::string last = log->Copy().back();
  EXPECT_NE(last.find("1 worker(s) still running"), std::string::npos) << last;
  EXPECT_NE(last.find("mouse-pad lighting animation"), std::string::npos) << last;
}

TEST(WorkerRegistry, ShutdownWithoutStartAndTwiceIsHarmless) {
  auto log = std::make_shared<Log>();
  WorkerRegistry registry([log](std::string_view l) { log->Add(l); });
  EXPECT_EQ(registry.Shutdown().started, 0u);
  EXPECT_EQ(registry.Shutdown().started, 0u);
}

TEST(WorkerRegistry, ASlotServedByAnotherStartsNoThreadAndSaysWhich) {
  auto log = std::make_shared<Log>();
  WorkerRegistry registry([log](std::string_view l) { log->Add(l); });
  registry.Fill(Worker::kKeyboardLightAutoSwitch, [](const core::StopEvent& stop) {
    (void)stop.WaitFor(std::chrono::seconds(30));
  });
  registry.ServeBy(Worker::kMousePadLightAutoSwitch, Worker::kKeyboardLightAutoSwitch);
  registry.Start({});
  EXPECT_EQ(registry.Shutdown().started, 1u);
  const auto lines = log->Copy();
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "worker \"mouse-pad lighting-profile auto-switch\": served by "
                      "\"keyboard lighting-profile auto-switch\""),
            lines.end());
}

}  // namespace
}  // namespace tavrinex::app
