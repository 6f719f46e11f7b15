#include "core/Pacer.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

using namespace std::chrono_literals;

TEST(Pacer, DueFirstThenOncePerInterval) {
  std::chrono::steady_clock::time_point now{};
  Pacer pacer(50ms, [&now] { return now; });
  EXPECT_TRUE(pacer.Due());
  EXPECT_FALSE(pacer.Due());
  now += 49ms;
  EXPECT_FALSE(pacer.Due());
  now += 1ms;
  EXPECT_TRUE(pacer.Due());
  EXPECT_FALSE(pacer.Due());
  now += 10s;  // a long stall is one tick, not a burst
  EXPECT_TRUE(pacer.Due());
  EXPECT_FALSE(pacer.Due());
}

}  // namespace
}  // namespace quarvel
