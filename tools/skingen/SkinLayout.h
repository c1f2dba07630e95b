// SPDX-License-Identifier: MIT
// mira.nol skin generator: where the window's controls sit, so the art fits them pixel for pixel.
#pragma once

// Positions and sizes follow the main window's layout; the art is drawn around these rectangles.
struct TArtRect {
  int Left, Top, Width, Height;
  int Right() const { return Left + Width; }
  int Bottom() const { return Top + Height; }
};

namespace SkinLayout {
constexpr int kWidth = 496;
constexpr int kHeight = 287;

constexpr TArtRect kScroller{102, 41, 297, 15};
constexpr TArtRect kSpectrum{106, 80, 52, 16};
constexpr TArtRect kClock{118, 99, 27, 14};
constexpr TArtRect kHint{264, 145, 65, 13};

constexpr TArtRect kPrev{102, 151, 17, 8};
constexpr TArtRect kPlay{128, 151, 17, 8};
constexpr TArtRect kPause{156, 151, 17, 8};
constexpr TArtRect kStop{187, 151, 17, 8};
constexpr TArtRect kNext{219, 151, 17, 8};
constexpr TArtRect kShuffle{346, 147, 13, 12};
constexpr TArtRect kRepeat{362, 147, 13, 12};
constexpr TArtRect kMute{378, 147, 13, 12};
constexpr TArtRect kQuit{353, 277, 28, 6};

// Fill bars and their tracks: a knob's left edge runs from 242 to 376, so knobs cover x 242 to 380.
constexpr TArtRect kVolumeTrack{243, 73, 137, 9};
constexpr TArtRect kPanningTrack{243, 93, 137, 9};
constexpr TArtRect kSpeedTrack{243, 113, 137, 9};
constexpr int kKnobMinLeft = 242;
constexpr int kKnobMaxLeft = 376;
constexpr int kKnobWidth = 5;
constexpr int kKnobHeight = 14;
constexpr TArtRect kVolumeMarker{243, 82, 47, 7};
constexpr TArtRect kPanningMarker{243, 102, 47, 7};
constexpr TArtRect kSpeedMarker{243, 122, 47, 7};

constexpr TArtRect kLeftEye{19, 69, 52, 45};
constexpr TArtRect kRightEye{431, 65, 49, 61};
constexpr TArtRect kRightEyeControl{431, 65, 63, 96};

constexpr TArtRect kList{104, 176, 289, 78};
// The thumb's top runs from 175 to 244, so its 8 rows cover y 175 to 252.
constexpr TArtRect kThumbSlot{394, 175, 7, 78};
constexpr TArtRect kThumb{394, 176, 7, 8};
}  // namespace SkinLayout
