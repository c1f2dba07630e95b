// SPDX-License-Identifier: MIT
// The window's keys and the desktop's remote controls: what the user hears and sees after each, and
// what the bus may and may not change.
#include "PlayerFixture.h"

#include "MprisState.h"
#include "Trunc.h"

#include <cmath>
#include <limits>

class DesktopControlTest : public PlayerTest {
protected:
  TMainForm& StartFour() {
    WriteTracks(4);
    TMainForm& form = Start();
    Show();
    return form;
  }
  std::vector<std::string> Heard() { return Fake().Heard(); }
  // Every lit picture and the hint, as the user sees them.
  std::vector<bool> LitButtons(const TMainForm& f) {
    return {f.Button_Play->Visible(),   f.Button_Pause->Visible(), f.Button_Stop->Visible(),
            f.Button_Next->Visible(),   f.Button_Prev->Visible(),  f.Button_Shuffle->Visible(),
            f.Button_Repeat->Visible(), f.Button_Mute->Visible(),  f.Bitmap_Volume->Visible()};
  }
};

TEST_F(DesktopControlTest, the_classic_keys_work_the_transport_whatever_has_the_focus_and_light_nothing) {
  TMainForm& form = StartFour();
  const std::vector<bool> dark = LitButtons(form);
  form.List_Tracks->SetFocus();

  Backend->PressKey('B');
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t1.xm"}));
  EXPECT_EQ(SelectedLines(), (std::vector<int>{1}));
  EXPECT_EQ(form.Scroller->Text(), "T1 <01:00>");
  Backend->PressKey('Z');
  Backend->PressKey('Z');
  // Previous from the first track wraps to the last, as the button does.
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t3.xm"}));
  EXPECT_EQ(SelectedLines(), (std::vector<int>{3}));

  Backend->PressKey('C');
  EXPECT_TRUE(Heard().empty());
  EXPECT_TRUE(form.Paused);
  Backend->PressKey('X');
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t3.xm"}));
  EXPECT_FALSE(form.Paused);
  Backend->PressKey('M');
  EXPECT_EQ(Fake().MasterVolume, 0u);
  Backend->PressKey('M', ssShift);  // upper case: the same key
  EXPECT_EQ(Fake().MasterVolume, 100u);
  Backend->PressKey('R');
  EXPECT_TRUE(form.Repeat);
  Backend->PressKey('S');
  EXPECT_TRUE(form.Shuffle);
  EXPECT_FALSE(form.Repeat);
  Backend->PressKey('V');
  EXPECT_TRUE(Heard().empty());
  EXPECT_FALSE(form.Playing);
  EXPECT_EQ(form.Scroller->Text(), kCreditsLine);

  // A key is not a pointer: no lit picture, marker or hint changed.
  EXPECT_EQ(LitButtons(form), dark);
  EXPECT_EQ(form.Hint_Label->Caption(), "");

  // Without a focused control the form gets the keys itself, once.
  form.SetActiveControl(nullptr);
  Backend->PressKey('X');
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t3.xm"}));
  Backend->PressKey('B');
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t0.xm"}));
}

TEST_F(DesktopControlTest, a_held_key_steps_through_the_list_but_switches_a_mode_only_once) {
  TMainForm& form = StartFour();
  form.List_Tracks->SetFocus();
  const auto hold = [&](uint16_t key, int repeats) {
    Backend->KeyDown(key);
    for (int i = 0; i < repeats; ++i) Backend->KeyDown(key, {}, true);
  };
  hold('B', 2);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t3.xm"}));
  hold('M', 3);
  EXPECT_EQ(Fake().MasterVolume, 0u);
  Backend->PressKey('M');
  EXPECT_EQ(Fake().MasterVolume, 100u);
  hold('R', 4);
  EXPECT_TRUE(form.Repeat);
  hold('C', 2);
  hold('X', 5);
  // Play once, from the pause: the track goes on, it is not started again and again.
  EXPECT_FALSE(form.Paused);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t3.xm"}));
}

TEST_F(DesktopControlTest, keys_with_ctrl_or_alt_and_the_lists_own_keys_are_left_to_the_list) {
  TMainForm& form = StartFour();
  form.List_Tracks->SetFocus();
  Calls();
  Backend->PressKey('B', ssCtrl);
  Backend->PressKey('X', ssAlt);
  Backend->PressKey('V', TShiftState(ssCtrl) | ssShift);
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t0.xm"}));

  // Down moves the selection, Enter plays it: the list keeps its keys.
  form.List_Tracks->SetItemIndex(0);
  Backend->PressKey(vk::Down);
  Backend->PressKey(vk::Down);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t0.xm"}));
  Backend->PressKey(vk::Return);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t2.xm"}));
  EXPECT_EQ(form.CurrentTrack, 2);
}

TEST_F(DesktopControlTest, every_whole_volume_percent_puts_the_knob_where_a_drag_gives_that_percent) {
  TMainForm& form = StartFour();
  for (int percent = 0; percent <= 100; ++percent) {
    ASSERT_TRUE(MprisSetVolume(form, percent / 100.0));
    const int left = form.Slider_Volume->Left();
    ASSERT_GE(left, 242);
    ASSERT_LE(left, 376);
    ASSERT_EQ(form.FadeBitmap_Volume->Width(), left - 241) << percent;
    ASSERT_EQ(Trunc(form.Volume), percent);
    ASSERT_EQ(Fake().MasterVolume, uint32_t(percent));
    ASSERT_EQ(MprisStateOf(form).Volume, percent / 100.0);
    // A drag to the same place gives the same volume.
    const double volume = form.Volume;
    form.MoveVolumeKnob(left);
    ASSERT_EQ(form.Volume, volume);
  }
  // The knob's place from the drag's own arithmetic: 50% is the knob at 309 (w = 68, 50.5).
  ASSERT_TRUE(MprisSetVolume(form, 0.5));
  EXPECT_EQ(form.Slider_Volume->Left(), 309);
  // Nothing was dragged: no value marker, no hint.
  EXPECT_FALSE(form.Bitmap_Volume->Visible());
  EXPECT_EQ(form.Hint_Label->Caption(), "");
}

TEST_F(DesktopControlTest, volume_out_of_range_is_clamped_nan_refused_and_mute_kept) {
  TMainForm& form = StartFour();
  ASSERT_TRUE(MprisSetVolume(form, -1.0));
  EXPECT_EQ(form.Slider_Volume->Left(), 242);
  EXPECT_EQ(Fake().MasterVolume, 0u);
  ASSERT_TRUE(MprisSetVolume(form, 2.0));
  EXPECT_EQ(form.Slider_Volume->Left(), 376);
  EXPECT_EQ(Fake().MasterVolume, 100u);
  ASSERT_TRUE(MprisSetVolume(form, std::numeric_limits<double>::infinity()));
  EXPECT_EQ(Trunc(form.Volume), 100);

  ASSERT_TRUE(MprisSetVolume(form, 0.3));
  const double before = form.Volume;
  const TResult<void> nan = MprisSetVolume(form, std::nan(""));
  EXPECT_FALSE(nan);
  EXPECT_EQ(form.Volume, before);
  EXPECT_EQ(Fake().MasterVolume, 30u);

  // Muted, the knob moves and the volume is kept for later, but the output stays silent.
  form.Button_MuteClick(form.Button_Mute);
  ASSERT_TRUE(MprisSetVolume(form, 0.8));
  EXPECT_EQ(Trunc(form.Volume), 80);
  EXPECT_EQ(Fake().MasterVolume, 0u);
  form.Button_MuteClick(form.Button_Mute);
  EXPECT_EQ(Fake().MasterVolume, 80u);
}

TEST_F(DesktopControlTest, remote_modes_and_play_pause_run_the_buttons_handlers) {
  TMainForm& form = StartFour();
  // Repeat lit by a click, as the hover logic keeps it; shuffle from the bus turns it off and dark.
  form.Button_Repeat->Show();
  form.Button_RepeatClick(form.Button_Repeat);
  MprisSetShuffle(form, true);
  EXPECT_TRUE(form.Shuffle);
  EXPECT_FALSE(form.Repeat);
  EXPECT_FALSE(form.Button_Repeat->Visible());
  MprisSetShuffle(form, true);  // the same value again changes nothing
  EXPECT_TRUE(form.Shuffle);

  ASSERT_TRUE(MprisSetLoopStatus(form, "Track"));
  EXPECT_TRUE(form.Repeat);
  EXPECT_FALSE(form.Shuffle);
  ASSERT_TRUE(MprisSetLoopStatus(form, "Playlist"));
  EXPECT_FALSE(form.Repeat);
  EXPECT_EQ(MprisStateOf(form).LoopStatus, "None");
  EXPECT_FALSE(MprisSetLoopStatus(form, "track"));
  EXPECT_FALSE(MprisSetLoopStatus(form, ""));
  EXPECT_FALSE(form.Repeat);

  MprisPlayPause(form);
  EXPECT_TRUE(Heard().empty());
  EXPECT_EQ(MprisStateOf(form).PlaybackStatus, "Paused");
  MprisPlayPause(form);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t0.xm"}));
  EXPECT_EQ(MprisStateOf(form).PlaybackStatus, "Playing");
  form.Button_StopClick(form.Button_Stop);
  EXPECT_EQ(MprisStateOf(form).PlaybackStatus, "Stopped");
  // From Stopped, play-pause plays the selected title.
  form.List_Tracks->SetItemIndex(2);
  MprisPlayPause(form);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t2.xm"}));
}

TEST_F(DesktopControlTest, the_state_names_the_track_as_the_caption_does_and_tells_what_changed) {
  WritePlayList({"song one.mp3", "", "b.xm", "Caf\xe9 \xc3\xa9t\xc3\xa9", "c.xm", std::string("nul\0led", 7)});
  TMainForm& form = Start();
  Show();
  TMprisState first = MprisStateOf(form);
  EXPECT_EQ(first.Track, 0);
  // An empty title: the caption's name is the file's.
  EXPECT_EQ(first.Title, "song one.mp3");
  EXPECT_EQ(first.LengthUs, 60 * 1000000);
  EXPECT_EQ(first.Url, FileUrl(PathOf("song one.mp3")));
  EXPECT_NE(first.Url.find("/data/song%20one.mp3"), std::string::npos);
  EXPECT_TRUE(ChangedMprisProperties(first, MprisStateOf(form)).empty());

  form.Button_NextClick(form.Button_Next);
  TMprisState second = MprisStateOf(form);
  // A Latin-1 byte becomes its character; valid UTF-8 stays as it is.
  EXPECT_EQ(second.Title, "Caf\xc3\xa9 \xc3\xa9t\xc3\xa9");
  EXPECT_EQ(ChangedMprisProperties(first, second), (std::vector<std::string>{"Metadata"}));
  form.Button_NextClick(form.Button_Next);
  EXPECT_EQ(MprisStateOf(form).Title, "nulled");

  form.Button_StopClick(form.Button_Stop);
  form.Button_MuteClick(form.Button_Mute);  // muting is not a change of the volume setting
  form.Button_RepeatClick(form.Button_Repeat);
  EXPECT_EQ(ChangedMprisProperties(second, MprisStateOf(form)),
            (std::vector<std::string>{"PlaybackStatus", "LoopStatus", "Metadata"}));
}

TEST_F(DesktopControlTest, bus_text_and_urls_carry_any_bytes_safely) {
  EXPECT_EQ(BusText("plain"), "plain");
  // Broken, overlong and surrogate sequences are read byte by byte as Latin-1.
  EXPECT_EQ(BusText("\xc3"), "\xc3\x83");
  EXPECT_EQ(BusText("\xc0\xaf"), "\xc3\x80\xc2\xaf");
  EXPECT_EQ(BusText("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xc2\x80");
  EXPECT_EQ(BusText("\xf0\x9f\x8e\xb5"), "\xf0\x9f\x8e\xb5");
  EXPECT_EQ(FileUrl("/a b/%/\xc3\xbc.xm"), "file:///a%20b/%25/%C3%BC.xm");
}

#if MIRA_HAVE_MPRIS
#include "TMprisService.h"

#include <sdbus-c++/sdbus-c++.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr const char* kPlayer = "org.mpris.MediaPlayer2.Player";

// A session bus of the test's own, for as long as the object lives.
class TPrivateBus {
public:
  TPrivateBus() {
    FPipe = popen("dbus-daemon --session --nofork --nopidfile --print-address=1 --print-pid=1 2>/dev/null", "r");
    char line[512];
    if (FPipe && fgets(line, sizeof line, FPipe)) FAddress = std::string(line, strcspn(line, "\n"));
    if (FPipe && fgets(line, sizeof line, FPipe)) FPid = atoi(line);
    if (const char* old = getenv("DBUS_SESSION_BUS_ADDRESS")) FOld = old;
    if (!FAddress.empty()) setenv("DBUS_SESSION_BUS_ADDRESS", FAddress.c_str(), 1);
  }
  ~TPrivateBus() {
    if (FPid > 0) kill(FPid, SIGTERM);
    if (FPipe) pclose(FPipe);
    if (FOld.empty())
      unsetenv("DBUS_SESSION_BUS_ADDRESS");
    else
      setenv("DBUS_SESSION_BUS_ADDRESS", FOld.c_str(), 1);
  }
  bool Up() const { return !FAddress.empty() && FPid > 0; }

private:
  FILE* FPipe = nullptr;
  std::string FAddress;
  std::string FOld;
  int FPid = 0;
};

}  // namespace

// A real client on a real bus, on a thread of its own; the window thread serves the calls as the
// message loop does, and a message box comes up in the middle.
TEST_F(DesktopControlTest, calls_while_a_message_box_is_up_are_refused_and_change_nothing) {
  TPrivateBus bus;
  if (!bus.Up()) GTEST_SKIP() << "dbus-daemon is not installed";
  TMainForm& form = StartFour();
  TResult<std::unique_ptr<TMprisService>> service = TMprisService::Create(form);
  ASSERT_TRUE(service) << service.Error();
  EXPECT_EQ((*service)->BusName(), "org.mpris.MediaPlayer2.mira_nol");

  std::atomic<int> step{0};  // 1: box up, client may call; 2: client done with the box; 3: all done
  std::string busyError, nanError, title;
  std::atomic<bool> changedSeen{false};
  std::thread client([&] {
    try {
      auto connection = sdbus::createSessionBusConnection();
      auto proxy = sdbus::createProxy(*connection, "org.mpris.MediaPlayer2.mira_nol", "/org/mpris/MediaPlayer2");
      proxy->uponSignal("PropertiesChanged")
          .onInterface("org.freedesktop.DBus.Properties")
          .call([&](const std::string&, const std::map<std::string, sdbus::Variant>& changed,
                    const std::vector<std::string>&) {
            if (changed.count("Metadata")) changedSeen = true;
          });
      proxy->finishRegistration();
      connection->enterEventLoopAsync();
      while (step.load() < 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      try {
        proxy->callMethod("Next").onInterface(kPlayer);
      } catch (const sdbus::Error& e) {
        busyError = e.getName();
      }
      // Reading is harmless while the box is up.
      const auto metadata =
          proxy->getProperty("Metadata").onInterface(kPlayer).get<std::map<std::string, sdbus::Variant>>();
      title = metadata.at("xesam:title").get<std::string>();
      step = 2;
      while (step.load() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      proxy->callMethod("Next").onInterface(kPlayer);
      try {
        proxy->setProperty("Volume").onInterface(kPlayer).toValue(std::nan(""));
      } catch (const sdbus::Error& e) {
        nanError = e.getName();
      }
      for (int i = 0; i < 2000 && !changedSeen; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      connection->leaveEventLoop();
      step = 4;
    } catch (const std::exception& e) {
      ADD_FAILURE() << "the client failed: " << e.what();
      step = 4;
    }
  });
  const auto serveUntil = [&](int wanted) {
    for (int i = 0; i < 10000 && step.load() < wanted; ++i) {
      Backend->ServeWatch();
      if (Application.OnIdle) Application.OnIdle(&Application);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  Backend->OnMessageBox = [&] {
    step = 1;
    serveUntil(2);
  };
  Application.MessageBox("something went wrong");
  Backend->OnMessageBox = nullptr;
  EXPECT_EQ(busyError, "nol.mira.player.Error.Busy");
  EXPECT_EQ(title, "T0");
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t0.xm"}));

  // With the box answered, the same call goes through, and the change is announced.
  step = 3;
  serveUntil(4);
  client.join();
  EXPECT_EQ(Heard(), (std::vector<std::string>{"t1.xm"}));
  EXPECT_TRUE(changedSeen);
  EXPECT_EQ(nanError, "org.freedesktop.DBus.Error.InvalidArgs");
  EXPECT_EQ(Trunc(form.Volume), 100);
}
#endif
