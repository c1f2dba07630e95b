// SPDX-License-Identifier: MIT
// Interval timers on the manual clock: order, periods, interval changes, stalls and idle timers.
#include <utility>
#include <string>
#include <vector>

#include "FrameworkFixture.h"
#include "components/Exception.h"
#include "components/TTimer.h"

namespace {
class TimerTest : public FrameworkTest {
protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    Form = &NewForm();
    Start = Application.Now();
  }
  TTimer& Make(const std::string& name, uint32_t interval) {
    TTimer& t = Form->Add<TTimer>(name);
    t.SetInterval(interval);
    t.OnTimer = [this, name](TObject*) { Log.push_back(name + "@" + std::to_string(Elapsed())); };
    return t;
  }
  long Elapsed() const {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Application.Now() - Start).count());
  }
  TForm* Form = nullptr;
  TTimePoint Start;
  std::vector<std::string> Log;
};
}  // namespace

TEST_F(TimerTest, timers_fire_in_the_order_of_their_deadlines_each_at_its_own_time) {
  Make("slow", 50);
  Make("fast", 20);
  Make("same", 20);
  Screen().Advance(100);
  EXPECT_EQ(Log, (std::vector<std::string>{"fast@20", "same@20", "fast@40", "same@40", "slow@50", "fast@60", "same@60",
                                           "fast@80", "same@80", "slow@100", "fast@100", "same@100"}));
}

TEST_F(TimerTest, changing_the_interval_while_running_restarts_the_period) {
  TTimer& t = Make("t", 1000);
  Screen().Advance(700);
  t.SetInterval(500);  // counts from now: next at 1200, not at 1000 or 500
  Screen().Advance(1000);
  EXPECT_EQ(Log, (std::vector<std::string>{"t@1200", "t@1700"}));
  // The same value again changes nothing.
  Screen().Advance(300);
  t.SetInterval(500);
  Screen().Advance(200);
  EXPECT_EQ(Log.back(), "t@2200");
}

TEST_F(TimerTest, a_handler_may_change_its_own_interval) {
  TTimer& t = Make("t", 100);
  t.OnTimer = [&](TObject* sender) {
    Log.push_back("t@" + std::to_string(Elapsed()));
    static_cast<TTimer*>(sender)->SetInterval(30);
  };
  Screen().Advance(200);
  EXPECT_EQ(Log, (std::vector<std::string>{"t@100", "t@130", "t@160", "t@190"}));
}

TEST_F(TimerTest, intervals_below_ten_milliseconds_run_at_ten) {
  Make("eye", 2);
  Screen().Advance(50);
  EXPECT_EQ(Log, (std::vector<std::string>{"eye@10", "eye@20", "eye@30", "eye@40", "eye@50"}));
}

TEST_F(TimerTest, a_stalled_loop_fires_each_late_timer_once_in_one_turn_and_keeps_no_backlog) {
  Make("t", 10);
  Make("u", 25);
  Screen().Advance(5);
  Screen().Stall(95);  // the window thread was busy until 100 ms
  Screen().Pump();     // one turn of the loop
  EXPECT_EQ(Log, (std::vector<std::string>{"t@100", "u@100"}));
  Screen().Advance(30);
  // t's deadline at 120 waits for u's at 125: one wake-up for both.
  EXPECT_EQ(Log, (std::vector<std::string>{"t@100", "u@100", "t@110", "t@125", "u@125", "t@130"}));
}

TEST_F(TimerTest, timers_due_within_a_few_milliseconds_share_one_turn_of_the_loop_without_firing_early) {
  // Two 10 ms timers started 3 ms apart, and two started 7 ms apart: either way one wake-up per period.
  for (int offset : {3, 7}) {
    SCOPED_TRACE(offset);
    Log.clear();
    Start = Application.Now();
    TTimer& a = Make("a", 10);
    Screen().Advance(offset);
    TTimer& b = Make("b", 2);
    // Due: a at 10, 20, 30 ...; b at offset + 10, offset + 20 ...
    int turns = 0;
    TTimePoint lastTurn{};
    std::vector<std::pair<TTimePoint, TTimePoint>> fired;  // deadline, firing time
    auto record = [&](TObject* sender) {
      const TTimePoint now = Application.Now();
      if (now != lastTurn) ++turns, lastTurn = now;
      // Fire() already moved the deadline one period on.
      fired.emplace_back(*static_cast<TTimer*>(sender)->Due() - static_cast<TTimer*>(sender)->EffectivePeriod(), now);
    };
    a.OnTimer = record;
    b.OnTimer = record;
    Screen().Advance(1000 - offset);
    EXPECT_GE(fired.size(), 198u);
    EXPECT_LE(turns, 101);  // not the 200 of two separate rhythms
    for (const auto& [due, at] : fired) {
      EXPECT_GE(at, due);                              // never early
      EXPECT_LE(at - due, TApplication::kTimerSlack);  // never later than the slack
    }
    Form->DestroyComponent(&a);
    Form->DestroyComponent(&b);
  }
}

TEST_F(TimerTest, shared_turns_keep_each_timer_on_its_own_rhythm) {
  int fast = 0, slow = 0;
  Make("fast", 10).OnTimer = [&](TObject*) { ++fast; };
  Screen().Advance(4);
  Make("slow", 25).OnTimer = [&](TObject*) { ++slow; };
  Screen().Advance(996);
  EXPECT_EQ(fast, 100);
  EXPECT_EQ(slow, 39);  // 29, 54, ... 979
}

TEST_F(TimerTest, a_timer_without_a_handler_never_fires_and_never_wakes_the_loop) {
  TTimer& idle = Form->Add<TTimer>("StartTimer");
  idle.SetInterval(50);
  EXPECT_FALSE(Application.NextTimerDue().has_value());
  Screen().Advance(500);
  EXPECT_EQ(idle.Interval(), 50u);
}

TEST_F(TimerTest, a_disabled_timer_stays_silent_and_enabling_starts_a_fresh_period) {
  TTimer& t = Make("t", 100);
  t.SetEnabled(false);
  Screen().Advance(250);
  EXPECT_TRUE(Log.empty());
  t.SetEnabled(true);
  Screen().Advance(150);
  EXPECT_EQ(Log, (std::vector<std::string>{"t@350"}));
  t.SetInterval(0);
  Screen().Advance(500);
  EXPECT_EQ(Log.size(), 1u);
}

TEST_F(TimerTest, a_handler_that_destroys_a_later_timer_of_the_same_turn_stops_it_firing) {
  TTimer& first = Make("first", 100);
  TTimer& second = Make("second", 100);
  first.OnTimer = [&](TObject*) {
    Log.push_back("first");
    Form->DestroyComponent(&second);
  };
  Screen().Advance(100);
  EXPECT_EQ(Log, (std::vector<std::string>{"first"}));
}

TEST_F(TimerTest, an_exception_in_a_handler_is_shown_and_the_timers_keep_running) {
  TTimer& t = Make("t", 100);
  t.OnTimer = [&](TObject*) {
    Log.push_back("tick");
    throw ERangeError("ColorIndex can't be less than 1 or greater than 15");
  };
  Screen().Advance(200);
  EXPECT_EQ(Log.size(), 2u);
  ASSERT_EQ(Screen().MessageBoxes().size(), 2u);
  EXPECT_EQ(Screen().MessageBoxes()[0].Text, "ColorIndex can't be less than 1 or greater than 15");
  EXPECT_EQ(Screen().MessageBoxes()[0].Title, "mira.nol");
}

TEST_F(TimerTest, a_handler_may_destroy_its_own_timer) {
  TTimer& timer = Make("t", 10);
  int ticks = 0;
  timer.OnTimer = [&, form = Form](TObject* sender) {
    ++ticks;
    form->DestroyComponent(static_cast<TTimer*>(sender));
  };
  Screen().Advance(50);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(Form->ComponentCount(), 0);
}
