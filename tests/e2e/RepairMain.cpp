// The repair scenarios' program. Without arguments it runs the scenarios that
// need no restart; "step1" and "after-restart" run the two halves of the
// scenario across a restart, which the scenario script runs one after the other.
#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const char* phase = argc > 1 ? argv[1] : "";
  if (std::strcmp(phase, "step1") == 0) {
    GTEST_FLAG_SET(filter, "RepairStep1Restart.*");
  } else if (std::strcmp(phase, "after-restart") == 0) {
    GTEST_FLAG_SET(filter, "RepairAfterRestart.*");
  } else if (GTEST_FLAG_GET(filter) == "*") {
    GTEST_FLAG_SET(filter, "-RepairStep1Restart.*:RepairAfterRestart.*");
  }
  return RUN_ALL_TESTS();
}
