#include "core/LongWork.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quarvel {
namespace {

using namespace std::chrono_literals;

// A window that records what the owner asks of it; a pump can carry a click.
class RecordingWindow : public LongWorkHost {
 public:
  void PumpMessages() override {
    ++pumps;
    if (on_pump) on_pump();
  }
  bool QuitRequested() override { return quit; }
  void ShowEscape(bool pressed) override { calls.push_back(pressed ? "Scan Aborted" : "Escape"); }
  void HideWindow() override { calls.push_back("hide"); }
  void CloseWindow() override { calls.push_back("close"); }

  int pumps = 0;
  bool quit = false;
  std::function<void()> on_pump;
  std::vector<std::string> calls;
};

class LongWorkTest : public ::testing::Test {
 protected:
  std::chrono::steady_clock::time_point now{};
  RecordingWindow window;
  LongWork work{window, [this] { return now; }};
};

TEST_F(LongWorkTest, AStepIsNeverEnteredTwiceAndIsBusyOnlyWhileItRuns) {
  int inner_runs = 0;
  bool refused = false;
  EXPECT_FALSE(work.Busy());
  EXPECT_TRUE(work.Run(StopOn::kClose, [&] {
    EXPECT_TRUE(work.Busy());
    refused = !work.Run(StopOn::kClose, [&] { ++inner_runs; });
  }));
  EXPECT_TRUE(refused);
  EXPECT_EQ(inner_runs, 0);
  EXPECT_FALSE(work.Busy());
  EXPECT_TRUE(work.Run(StopOn::kClose, [] {}));
}

TEST_F(LongWorkTest, MessagesRunOnTheClockNotOnEveryQuestion) {
  work.Run(StopOn::kEscapeOrClose, [&] {
    int shown = 0;
    const auto show = [&] { ++shown; };
    EXPECT_TRUE(work.KeepGoing(show));
    EXPECT_TRUE(work.KeepGoing(show));
    now += LongWork::kAnswerInterval - 1ms;
    EXPECT_TRUE(work.KeepGoing(show));
    EXPECT_EQ(window.pumps, 1);
    EXPECT_EQ(shown, 1);
    now += 1ms;
    EXPECT_TRUE(work.KeepGoing(show));
    EXPECT_EQ(window.pumps, 2);
    EXPECT_EQ(shown, 2);
  });
}

// Whether a step stops, by its rule and by what came while it ran.
TEST_F(LongWorkTest, EachRuleStopsForItsOwnReasons) {
  struct Row {
    StopOn rule;
    bool escape, close, quit;
    bool stops;
  };
  const Row rows[] = {
      {StopOn::kNothing, true, true, true, false},
      {StopOn::kClose, false, false, false, false},
      {StopOn::kClose, true, false, false, false},  // "Escape" never ends the lister
      {StopOn::kClose, false, true, false, true},
      {StopOn::kClose, false, false, true, true},
      {StopOn::kEscapeOrClose, false, false, false, false},
      {StopOn::kEscapeOrClose, true, false, false, true},
      {StopOn::kEscapeOrClose, false, true, false, true},
      {StopOn::kEscapeOrClose, false, false, true, true},
  };
  for (const Row& row : rows) {
    RecordingWindow host;
    std::chrono::steady_clock::time_point at{};
    LongWork owner(host, [&at] { return at; });
    bool kept_going = true;
    owner.Run(row.rule, [&] {
      // What the user does reaches the window through the step's pump.
      host.on_pump = [&] {
        if (row.escape) owner.ToggleEscape();
        if (row.close) owner.RequestClose();
        host.quit = row.quit;
      };
      kept_going = owner.KeepGoing();
    });
    EXPECT_EQ(!kept_going, row.stops) << static_cast<int>(row.rule) << row.escape << row.close << row.quit;
  }
}

TEST_F(LongWorkTest, ACloseWhileIdleClosesAtOnce) {
  work.RequestClose();
  EXPECT_EQ(window.calls, (std::vector<std::string>{"close"}));
}

TEST_F(LongWorkTest, ACloseDuringAStepHidesTheWindowAndClosesItOnceWhenTheStepEnds) {
  work.Run(StopOn::kNothing, [&] {
    work.RequestClose();
    work.RequestClose();
    EXPECT_TRUE(work.Closing());
    EXPECT_EQ(window.calls, (std::vector<std::string>{"hide", "hide"}));
  });
  EXPECT_EQ(window.calls, (std::vector<std::string>{"hide", "hide", "close"}));
  EXPECT_FALSE(work.Closing());
}

TEST_F(LongWorkTest, AFailingStepStillEndsAndAPendingCloseStillHappens) {
  EXPECT_THROW(work.Run(StopOn::kClose,
                        [&] {
                          work.RequestClose();
                          throw std::runtime_error("disk gone");
                        }),
               std::runtime_error);
  EXPECT_FALSE(work.Busy());
  EXPECT_EQ(window.calls, (std::vector<std::string>{"hide", "close"}));
}

TEST_F(LongWorkTest, AnExitEndsTheStepWithoutClosingTheWindow) {
  work.Run(StopOn::kClose, [&] {
    window.quit = true;
    EXPECT_TRUE(work.Closing());
  });
  EXPECT_TRUE(window.calls.empty());
}

TEST_F(LongWorkTest, EscapeTogglesAndAStepItStopsStartsWithItLetGo) {
  work.ToggleEscape();
  EXPECT_TRUE(work.EscapePressed());
  // The lister does not heed "Escape": it stays pressed.
  work.Run(StopOn::kClose, [&] { EXPECT_TRUE(work.EscapePressed()); });
  work.Run(StopOn::kEscapeOrClose, [&] {
    EXPECT_FALSE(work.EscapePressed());
    EXPECT_TRUE(work.KeepGoing());
  });
  work.ToggleEscape();
  work.ToggleEscape();
  EXPECT_EQ(window.calls, (std::vector<std::string>{"Scan Aborted", "Escape", "Scan Aborted", "Escape"}));
}

TEST_F(LongWorkTest, OutsideAStepNothingStops) {
  work.ToggleEscape();
  EXPECT_FALSE(work.StopRequested());
}

}  // namespace
}  // namespace quarvel
