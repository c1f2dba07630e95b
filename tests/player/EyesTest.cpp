// SPDX-License-Identifier: MIT
// The eyes as level meters: which frame each eye shows for the levels the library reports.
#include "PlayerFixture.h"
#include "ScriptedAnalysis.h"

namespace {

uint32_t Word(uint32_t left, uint32_t right) { return left | (right << 16); }

bool SamePixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
  return true;
}

}  // namespace

class EyesTest : public PlayerTest {
protected:
  void SetUp() override {
    PlayerTest::SetUp();
    TScriptedAnalysis::Install();
    WriteTracks(2);
    Start();
    Show();
    // The frames must differ from each other and from the resting pictures, or a frame could not
    // be told from another.
    for (const TImageList* list : {&Form->LeftEye, &Form->RightEye}) {
      ASSERT_EQ(list->Count(), 6);
      for (int i = 0; i < 6; ++i)
        for (int j = i + 1; j < 6; ++j) {
          TBitmap a, b;
          list->GetBitmap(i, a);
          list->GetBitmap(j, b);
          ASSERT_FALSE(SamePixels(a, b)) << i << " " << j;
        }
    }
  }

  // One tick of the eye timer (2 ms runs at the loop's 10 ms) with the given level word.
  void Tick(uint32_t word) {
    TScriptedAnalysis::Instance().Level = word;
    const uint32_t before = TScriptedAnalysis::Instance().LevelCalls;
    Backend->Advance(10);
    ASSERT_EQ(TScriptedAnalysis::Instance().LevelCalls, before + 1);
  }

  // The frame the window shows in an eye's place, or -1 when it shows none of them (-2: more than
  // one fits). The skin shows through the left eye's transparent pixels, which take the colour of
  // a frame's bottom-left corner.
  int FrameOf(const TImage& eye, const TImageList& frames, bool keyed) {
    int found = -1;
    for (int i = 0; i < frames.Count(); ++i) {
      TBitmap frame;
      frames.GetBitmap(i, frame);
      const TColor key = frame.Pixel(0, frame.Height() - 1);
      bool shown = true;
      for (int y = 0; y < frame.Height() && shown; ++y)
        for (int x = 0; x < frame.Width() && shown; ++x) {
          const TColor c = frame.Pixel(x, y);
          if (keyed && c == key) continue;
          shown = Backend->Pixel(eye.Left() + x, eye.Top() + y) == c;
        }
      if (!shown) continue;
      if (found >= 0) return -2;
      found = i;
    }
    return found;
  }
  int Left() { return FrameOf(*Form->LeftEye_Image, Form->LeftEye, true); }
  int Right() { return FrameOf(*Form->RightEye_Image, Form->RightEye, false); }
};

TEST_F(EyesTest, each_eye_follows_its_channel) {
  Tick(Word(40, 90));
  EXPECT_EQ(Left(), 2);
  EXPECT_EQ(Right(), 5);
  EXPECT_EQ(TScriptedAnalysis::Instance().LastLevelHandle, Form->MusicHandle);
  // Frames show at their own size: around the right eye's 49 x 61 frame its 63 x 96 place shows
  // the skin.
  const TBitmap& skin = Form->ImageShape->Picture().Bitmap();
  for (auto [x, y] : {std::pair{431 + 55, 65 + 10}, {431 + 10, 65 + 80}, {431 + 60, 65 + 90}})
    EXPECT_EQ(Backend->Pixel(x, y), skin.Pixel(x, y)) << x << "," << y;
}

TEST_F(EyesTest, frame_boundaries_of_the_held_level) {
  // Each level is reached by rising from 0, so it is held as read.
  const std::pair<uint32_t, int> table[] = {{0, 0},  {16, 0}, {17, 1}, {33, 1}, {34, 2}, {49, 2},
                                            {50, 3}, {66, 3}, {67, 4}, {83, 4}, {84, 5}, {99, 5}};
  for (auto [level, frame] : table) {
    Tick(0xFFFFFFFFu);  // held 65535 ...
    Tick(Word(0, 0));   // ... falls to 0
    Tick(Word(level, level));
    EXPECT_EQ(Left(), frame) << level;
    EXPECT_EQ(Right(), frame) << level;
  }
}

TEST_F(EyesTest, a_level_of_100_or_more_keeps_the_last_frame) {
  Tick(Word(70, 70));
  ASSERT_EQ(Left(), 4);
  Tick(Word(120, 100));
  EXPECT_EQ(Left(), 4);
  EXPECT_EQ(Right(), 4);
}

TEST_F(EyesTest, a_falling_level_blinks_to_frame_0_every_second_tick) {
  EXPECT_EQ(Form->EyeDecay, 0.0f);
  std::vector<int> frames;
  for (uint32_t level : {80u, 70u, 60u, 50u, 40u}) {
    Tick(Word(level, 0));
    frames.push_back(Left());
  }
  EXPECT_EQ(frames, (std::vector<int>{4, 0, 3, 0, 2}));
}

TEST_F(EyesTest, a_failed_request_changes_nothing_until_a_later_reading) {
  Tick(Word(70, 40));
  Tick(0xFFFFFFFFu);
  EXPECT_EQ(Left(), 4);
  EXPECT_EQ(Right(), 2);
  EXPECT_EQ(Form->EyeLevels[0], 65535.0f);
  Tick(Word(30, 30));
  EXPECT_EQ(Left(), 0);
  EXPECT_EQ(Right(), 0);
  Tick(Word(30, 30));
  EXPECT_EQ(Left(), 1);
  EXPECT_EQ(Right(), 1);
}

TEST_F(EyesTest, eyes_read_the_stream_handle_for_a_stream_and_draw_into_the_window) {
  WritePlayList({"a.mp3", "A", "b.xm", "B"});
  Application.Reset();
  Backend = nullptr;
  auto backend = std::make_unique<THeadlessBackend>();
  Backend = backend.get();
  Application.SetBackend(std::move(backend));
  TScriptedAnalysis::Install();
  Start();
  Show();
  ASSERT_EQ(Form->StreamMode, 1);
  Tick(Word(10, 60));
  EXPECT_EQ(TScriptedAnalysis::Instance().LastLevelHandle, Form->StreamHandle);
  // The right eye is opaque: its frame lies in the window's frame buffer as it is.
  TBitmap frame;
  Form->RightEye.GetBitmap(3, frame);
  const TBitmap& window = Form->FrameBuffer();
  for (int y = 0; y < frame.Height(); y += 5)
    for (int x = 0; x < frame.Width(); x += 5)
      ASSERT_EQ(window.Pixel(431 + x, 65 + y), frame.Pixel(x, y)) << x << "," << y;
}
