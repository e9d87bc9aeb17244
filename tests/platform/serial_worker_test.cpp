#include "core/serial_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace tavrinex::core {
namespace {

TEST(SerialWorkerTest, RunsTasksInOrderOffTheCallingThreadAndFinishesThemOnDestruction) {
  std::vector<int> order;
  std::atomic<bool> offCaller = true;
  const auto caller = std::this_thread::get_id();
  {
    SerialWorker worker;
    for (int i = 0; i < 50; ++i) {
      worker.Post([&order, &offCaller, caller, i] {
        if (std::this_thread::get_id() == caller) offCaller = false;
        order.push_back(i);
      });
    }
  }  // joins after the queue is empty
  ASSERT_EQ(order.size(), 50U);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
  EXPECT_TRUE(offCaller);
}

}  // namespace
}  // namespace tavrinex::core
