// SPDX-License-Identifier: MIT
// The player's one window: its controls, the player state, start-up, transport and the clock.
#pragma once

#include "PlayList.h"
#include "SkinControls.h"
#include "TRelaxed.h"
#include "TShuffleGenerator.h"
#include "TTitleReader.h"

#include "components/TForm.h"
#include "components/TImage.h"
#include "components/TLabel.h"
#include "components/TTimer.h"
#include "graphics/TImageList.h"
#include "platform/TPeriodicTimer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The text the caption shows at start and again after Stop.
inline constexpr const char* kCreditsLine = "mira.nol - code: varlo & tesko - gfx: pell & tesko";
// Shown when the playlist cannot be opened. The text is fixed, backslash and all, whatever this system
// calls the path.
inline constexpr const char* kPlayListMissing = "Cannot find data\\play.lst! Terminating application...";

// The main window. Construction lays out the controls, loads the sound library and reads the
// playlist (a failure there is shown and the main form closes, which ends the program); FormCreate (run by the
// application after construction) hooks the list and starts the first track. All methods run on the window thread. The
// display thread reads only StreamMode, MusicHandle, StreamHandle and Playing, which are relaxed atomics for that
// reason.
class TMainForm : public TForm {
public:
  explicit TMainForm(TComponent* owner);
  ~TMainForm() override;

  // --- Controls, in creation order ---------------------------------------------------------
  TSkinShape* ImageShape = nullptr;
  TSkinScroller* Scroller = nullptr;
  TImage* Button_Play = nullptr;
  TImage* Button_Pause = nullptr;
  TImage* Button_Stop = nullptr;
  TImage* Button_Next = nullptr;
  TImage* Button_Prev = nullptr;
  TImage* Button_Shuffle = nullptr;
  TImage* Button_Repeat = nullptr;
  TImage* Button_Mute = nullptr;
  TImage* Button_Quit = nullptr;
  TLabel* Label_Pos = nullptr;
  TImage* LeftEye_Image = nullptr;
  TImage* RightEye_Image = nullptr;
  TLabel* Hint_Label = nullptr;
  TImage* FadeBitmap_Volume = nullptr;
  TImage* Slider_Volume = nullptr;
  TImage* FadeBitmap_Speed = nullptr;
  TImage* Slider_Speed = nullptr;
  TImage* FadeBitmap_Panning_Temp = nullptr;
  TImage* FadeBitmap_Panning = nullptr;
  TImage* Slider_Panning = nullptr;
  TImage* Bitmap_Volume = nullptr;
  TImage* Bitmap_Panning = nullptr;
  TImage* Bitmap_Speed = nullptr;
  TImage* Button_Up = nullptr;
  TImage* Button_Up_Rollover = nullptr;
  TSkinList* List_Tracks = nullptr;
  TTimer* Timer = nullptr;
  TTimer* Eye_Timer = nullptr;
  TTimer* StartTimer = nullptr;
  // The eyes' frame lists, six frames each, quiet to loud.
  TImageList LeftEye{52, 45};
  TImageList RightEye{49, 61};

  // --- Player state -------------------------------------------------------------------------
  TWndMethod OldListProc;
  int32_t CurrentTrack = 0;
  // 0: the current track is a module on MusicHandle; 1: an MP3 stream on StreamHandle.
  TRelaxed<int32_t> StreamMode{0};
  // The last module and stream loaded; never set back to 0 after being freed, since the library
  // refuses a stale handle harmlessly.
  TRelaxed<uint32_t> MusicHandle{0};
  TRelaxed<uint32_t> StreamHandle{0};
  TRelaxed<bool> Playing{false};
  bool Paused = false;
  bool Muted = false;
  bool Shuffle = false;
  bool Repeat = false;
  int32_t PausedTrack = 0;
  double Volume = 100.0;
  double Panning = 0.0;
  int32_t Frequency = 44100;
  int32_t LengthMinutes = 0;
  int32_t LengthSeconds = 0;
  // The elapsed time counted by the clock; whole numbers only.
  float PosMinutes = 0.0f;
  float PosSeconds = 0.0f;
  std::string PosText;
  float EyeLevels[2] = {0.0f, 0.0f};
  float EyeDecay = 0.0f;
  std::vector<TrackEntry> TrackTable;
  int32_t TrackCount = 0;

  // --- Start-up and shutdown ----------------------------------------------------------------
  // What the command line named to play (files, folders, playlists) instead of data/play.lst; set
  // before the window is made. Empty: the collection in the current directory.
  static inline std::vector<std::string> StartupNames;
  void FormCreate(TObject* sender);
  void StartPlayer();
  void ReadPlayList();
  void ListWndProc(TMessage& message);
  void Button_QuitClick(TObject* sender);

  // --- Tracks named or dropped, and their titles ---------------------------------------------
  // What was dropped on the window replaces the list and starts its first track, as a double-click
  // would. What names no local file, or nothing that plays, is reported on standard error.
  void FormDropFiles(TObject* sender, const std::vector<std::string>& files, const std::vector<std::string>& others);
  // Makes `tracks` the track table and the list's lines (the list scrolled to its top, nothing selected).
  void SetTracks(std::vector<TrackEntry> tracks);
  // Reads the tags of a track whose title is pending, now, and shows the title in the list.
  void FillTitle(int32_t index);
  // Collects the titles the reader has found and puts them into the table and the list.
  void TitleTimerTimer(TObject* sender);
  // True when start-up failed (a failure message, or no window); the form then does nothing at all
  // and the program ends (Application.Terminated()) without showing it.
  bool StartupFailed() const { return FStartupFailed; }

  // --- Transport ------------------------------------------------------------------------------
  void LoadTrack(int32_t index);
  void Button_PlayClick(TObject* sender);
  void List_TracksDblClick(TObject* sender);
  void List_TracksKeyPress(TObject* sender, char& key);
  void Button_PauseClick(TObject* sender);
  void Button_StopClick(TObject* sender);
  void Button_PrevClick(TObject* sender);
  void Button_NextClick(TObject* sender);
  void Button_MuteClick(TObject* sender);
  void Button_ShuffleClick(TObject* sender);
  void Button_RepeatClick(TObject* sender);
  // What the clock runs when the counted time reaches the track's length: a shuffled pick, the
  // repeat of the selected track, or the next one.
  void AdvanceAtTrackEnd(TObject* sender);

  // --- Clock and caption ----------------------------------------------------------------------
  void ShowTrackInfo(int32_t index);
  void TimerTimer(TObject* sender);

  // --- Sliders ------------------------------------------------------------------------------
  // The pointer-move handler of the three knobs: a hint while hovering, a drag step while the
  // left button is held.
  void Slider_VolumeMouseMove(TObject* sender, TShiftState shift, int x, int y);
  // Puts the volume knob where a drag would put it for a pointer at window x 242 to 376, and its
  // fill bar, the volume and the output's volume with it (the channels' attributes are the drag
  // step's to apply). Outside that range the knob stays and the rest follows its place.
  void MoveVolumeKnob(int x);
  // Moves the volume knob as a drag would, to the first place where the volume, as the player
  // applies it, is `percent` (clamped to 0..100). No value marker and no hint: nothing was dragged.
  void SetVolumePercent(int percent);

  // --- Keys -----------------------------------------------------------------------------------
  // The whole window's keys, seen before the control with the focus: Z previous, X play, C pause,
  // V stop, B next, M mute, S shuffle, R repeat, in either case; with Ctrl or Alt held a key is
  // left to the control.
  void FormKeyDown(TObject* sender, uint16_t& key, TShiftState shift);

  // --- Hover hints, lit buttons and the list thumb -------------------------------------------
  void ImageShapeMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void List_TracksMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void Button_MuteMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void Button_Up_RolloverMouseMove(TObject* sender, TShiftState shift, int x, int y);
  // Lights `control` and names it in the hint when (x, y) lies strictly inside it; darkens it otherwise.
  void UpdateRollover(TControl* control, int x, int y);

  // --- Eyes -----------------------------------------------------------------------------------
  void Eye_TimerTimer(TObject* sender);
  // Shows the frame the held level picks on eye 0 (left) or 1 (right), if it is another one.
  void ShowEyeFrame(int eye, float held);

  // --- Spectrum display -----------------------------------------------------------------------
  // Makes the 52 x 16 display bitmap and starts the 25 ms display thread. Called once, at the end
  // of start-up.
  void StartSpectrum();
  // One tick of the display thread: fetch the spectrum, draw the bars, copy them onto the window.
  // Touches no component; runs on the display thread (tests may call it while the thread is stopped).
  void SpectrumTimerProc();
  // Stops the display thread and waits for it; no tick runs after this returns.
  void StopSpectrum();
  // The display's pixels: 8-bit palette indices, bottom-up rows (empty until StartSpectrum).
  const TBitmap& SpectrumBitmap() const { return FSpectrumBitmap; }

private:
  // Makes the controls, timers and frame lists the skin's layout describes and binds the handlers.
  // Fails, saying why, when the description is damaged or lacks a control the program needs.
  TResult<void> CreateLayout();
  // Makes sure nothing of the player runs any more.
  void StopStartup();
  // Shows a start-up failure, stops everything and ends the program (status 0).
  void EndStartup(const char* message);
  // The handle of the current kind: MusicHandle for a module, StreamHandle for a stream.
  uint32_t Channel() const;
  void SelectOnly(int index);
  // True when only the skin lies beneath the eye and nothing above it, in a shown window.
  bool EyeStandsAlone(const TImage& image) const;
  void MakeEyeLooks(TImage& image, const TImageList& frames, std::vector<std::shared_ptr<TBitmap>>& looks);

  bool FStartupFailed = false;
  // Reads the tags of the tracks whose titles are pending, after the first track has started; its
  // timer takes what it found into the list on the window thread.
  void StartTitleReader();
  void StopTitleReader();
  // Reads the tracks the command line named into the table; nothing playable ends start-up as a
  // missing playlist does.
  void ReadNamedTracks();
  // Puts a title the tags gave into the table and the list (an empty one leaves the file's name).
  void ApplyTitle(int32_t index, const std::string& title);
  std::unique_ptr<TTitleReader> FTitleReader;
  TTimer* FTitleTimer = nullptr;
  TShuffleGenerator FShuffle;

  // The frame each eye shows now (-1: its resting picture), so an unchanged frame is not copied and
  // painted again 100 times a second.
  int FEyeFrame[2] = {-1, -1};
  // Each eye's frames as the window shows them (the skin beneath included), made at the first
  // change of frame; the eye's picture shares the one it shows. Empty where something else shares
  // the eye's place, and the frame is then drawn over it instead.
  std::vector<std::shared_ptr<TBitmap>> FEyeLooks[2];
  bool FEyeTransparent[2] = {false, false};
  // The display bitmap and its pixel memory; FSpectrumBits stays null unless the bitmap was made,
  // and the tick draws nothing without it.
  TBitmap FSpectrumBitmap;
  uint8_t* FSpectrumBits = nullptr;
  // NOTE: keep this the last member. Members die in reverse order, so the display thread is stopped
  // and joined before the player state it reads and before the window (destroyed by TForm) go away.
  TPeriodicTimer FSpectrumTimer;
};
