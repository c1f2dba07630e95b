// SPDX-License-Identifier: MIT
// The form's life, its place on the screen and its region; the application's loop and error display.
#include <signal.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "FrameworkFixture.h"
#include "components/Exception.h"
#include "components/TImage.h"
#include "components/TTimer.h"

namespace {
std::vector<std::string> Events;

class TLayoutForm : public TForm {
public:
  explicit TLayoutForm(TComponent* owner) : TForm(owner) {
    SetClientSize(496, 287);
    SetPosition(poScreenCenter);
    SetLeft(500);
    SetTop(253);
    SetBorderStyle(bsNone);
    SetCaption("MainForm");
    Image = &Add<TImage>("ImageShape");
    Events.push_back("constructed");
    OnCreate = [this](TObject*) {
      Events.push_back(std::string("create, window shown: ") + (Visible() ? "yes" : "no"));
    };
    OnShow = [](TObject*) { Events.push_back("show"); };
  }
  TImage* Image;
};

class TFailingForm : public TForm {
public:
  explicit TFailingForm(TComponent* owner) : TForm(owner) { throw std::runtime_error("not for the user's eyes"); }
};

bool BackendAtDestruction = false;
// Notes, as it goes, whether the backend still exists.
class TWatchedForm : public TLayoutForm {
public:
  explicit TWatchedForm(TComponent* owner) : TLayoutForm(owner) {}
  ~TWatchedForm() override { BackendAtDestruction = Application.Backend() != nullptr; }
};

class FormTest : public FrameworkTest {
protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    Events.clear();
  }
};
}  // namespace

TEST_F(FormTest, create_handler_runs_after_construction_and_the_window_is_centred_when_first_shown) {
  auto* form = Application.CreateForm<TLayoutForm>();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(Application.MainForm(), form);
  EXPECT_EQ(Events, (std::vector<std::string>{"constructed", "create, window shown: no"}));
  form->Show();
  EXPECT_EQ(Events.back(), "show");
  EXPECT_EQ(form->Left(), (1000 - 496) / 2);
  EXPECT_EQ(form->Top(), (800 - 287) / 2);
  EXPECT_EQ(Screen().Desc().ClientWidth, 496);
  EXPECT_EQ(Screen().Desc().ClientHeight, 287);
  // The task bar shows the application's title, not the form's caption.
  EXPECT_EQ(Screen().Title(), "mira.nol");
  Application.SetTitle("renamed");
  EXPECT_EQ(Screen().Title(), "renamed");
}

TEST_F(FormTest, left_and_top_move_the_window_and_follow_a_move_made_elsewhere) {
  auto* form = Application.CreateForm<TLayoutForm>();
  form->Show();
  form->SetLeft(form->Left() + 7);
  form->SetTop(form->Top() - 3);
  EXPECT_EQ(Screen().WindowPos(), (TPoint{252 + 7, 256 - 3}));
  Screen().SetWindowPos({10, 20});
  EXPECT_EQ(form->Left(), 10);
  EXPECT_EQ(form->Top(), 20);
  EXPECT_EQ(form->WindowRect(), (TRect{10, 20, 506, 307}));
  EXPECT_EQ(form->ClientRect(), (TRect{0, 0, 496, 287}));
}

TEST_F(FormTest, window_region_applies_before_and_after_the_window_exists_and_reads_back) {
  auto* form = Application.CreateForm<TLayoutForm>();
  EXPECT_FALSE(form->HasWindowRegion());
  EXPECT_TRUE(form->WindowRegion().IsEmpty());
  TRegion shape = TRegion(TRect{0, 0, 496, 287}).Subtract(TRegion(TRect{0, 0, 10, 10}));
  form->SetWindowRegion(shape);  // before the window exists: kept and applied at creation
  EXPECT_NE(form->Handle(), 0u);
  ASSERT_TRUE(Screen().WindowRegion().has_value());
  EXPECT_EQ(TRegion::FromRects(*Screen().WindowRegion()), shape);
  EXPECT_EQ(form->WindowRegion(), shape);
  form->SetWindowRegion(TRegion());
  ASSERT_TRUE(Screen().WindowRegion().has_value());
  EXPECT_TRUE(Screen().WindowRegion()->empty());  // an empty region: nothing of the window shows
  form->ClearWindowRegion();
  EXPECT_FALSE(Screen().WindowRegion().has_value());
}

TEST_F(FormTest, closing_the_main_form_ends_run) {
  auto* form = Application.CreateForm<TLayoutForm>();
  int ticks = 0;
  auto& timer = form->Add<TTimer>("Timer");
  timer.SetInterval(10);
  timer.OnTimer = [&](TObject*) {
    if (++ticks == 3) form->Close();
  };
  bool idled = false;
  Screen().OnIdle = [&] {
    idled = true;
    Screen().Advance(0);
    Screen().Stall(10);
  };
  Application.Run();
  EXPECT_EQ(ticks, 3);
  EXPECT_TRUE(idled);
  EXPECT_TRUE(Application.Terminated());
}

TEST_F(FormTest, close_request_from_the_window_system_runs_on_close_which_may_refuse) {
  auto* form = Application.CreateForm<TLayoutForm>();
  form->Show();
  TCloseAction wanted = caNone;
  form->OnClose = [&](TObject*, TCloseAction& action) { action = wanted; };
  Screen().RequestClose();
  EXPECT_FALSE(Application.Terminated());
  wanted = caFree;
  Screen().RequestClose();
  EXPECT_TRUE(Application.Terminated());
}

TEST_F(FormTest, exceptions_show_their_own_message_and_others_an_empty_one_with_the_title_as_caption) {
  auto* form = Application.CreateForm<TLayoutForm>();
  form->Show();
  form->Image->SetBounds(0, 0, 496, 287);
  form->Image->OnClick = [](TObject*) { throw EInvalidOperation("Can only modify an image if it contains a bitmap"); };
  Screen().Click(10, 10);
  form->Image->OnClick = [](TObject*) { throw std::runtime_error("internal"); };
  Screen().Click(10, 10);
  auto* failed = Application.CreateForm<TFailingForm>();
  EXPECT_EQ(failed, nullptr);
  ASSERT_EQ(Screen().MessageBoxes().size(), 3u);
  EXPECT_EQ(Screen().MessageBoxes()[0].Title, "mira.nol");
  EXPECT_EQ(Screen().MessageBoxes()[0].Text, "Can only modify an image if it contains a bitmap");
  EXPECT_EQ(Screen().MessageBoxes()[1].Text, "");
  EXPECT_EQ(Screen().MessageBoxes()[2].Text, "");
  Application.MessageBox("Cannot find data/play.lst! Terminating application...");
  EXPECT_EQ(Screen().MessageBoxes()[3].Title, "mira.nol");
}

TEST_F(FormTest, a_form_whose_constructor_throws_leaves_no_main_form_and_run_returns_at_once) {
  Application.CreateForm<TFailingForm>();
  EXPECT_EQ(Application.MainForm(), nullptr);
  Application.Run();
  EXPECT_EQ(Screen().MessageBoxes().size(), 1u);
}

// However the loop is asked to end, Run returns the status and nothing more runs in that turn.
TEST_F(FormTest, a_lost_connection_ends_the_loop_with_status_1_and_says_so) {
  auto* form = Application.CreateForm<TLayoutForm>();
  int ticks = 0;
  auto& timer = form->Add<TTimer>("Timer");
  timer.SetInterval(10);
  timer.OnTimer = [&](TObject*) {
    if (++ticks == 2) Screen().LoseConnection();
  };
  Screen().OnIdle = [&] { Screen().Stall(10); };
  ::testing::internal::CaptureStderr();
  const int status = Application.Run();
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 1);
  EXPECT_EQ(ticks, 2) << "a timer fired after the connection was lost";
  EXPECT_EQ(err, "mira.nol: lost the connection to the display\n");
  // Nothing is shown on a display that is gone.
  Application.MessageBox("too late");
  EXPECT_TRUE(Screen().MessageBoxes().empty());
}

TEST_F(FormTest, a_signal_ends_the_loop_in_order_with_status_0_and_a_start_up_failure_never_shows_the_form) {
  Application.HandleEndSignals();
  auto* form = Application.CreateForm<TWatchedForm>();
  auto& timer = form->Add<TTimer>("Timer");
  timer.SetInterval(10);
  timer.OnTimer = [&](TObject*) { ::raise(SIGTERM); };
  Screen().OnIdle = [&] { Screen().Stall(10); };
  EXPECT_EQ(Application.Run(), 0);
  EXPECT_TRUE(Application.Terminated());
  Application.Shutdown();
  EXPECT_TRUE(BackendAtDestruction) << "the forms go before the backend";

  // A form whose start-up failed asked the loop to end: Run neither shows it nor waits.
  Application.Reset();
  Application.SetBackend(std::make_unique<THeadlessBackend>(TPoint{1000, 800}));
  auto* inert = Application.CreateForm<TLayoutForm>();
  Application.Terminate();
  EXPECT_EQ(Application.Run(), 0);
  EXPECT_FALSE(inert->Visible());
}
