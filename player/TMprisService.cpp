// SPDX-License-Identifier: MIT
// The desktop media-player interface on the session bus, through sdbus-c++, served by the message loop.
#include "TMprisService.h"

#include "MprisState.h"
#include "TMainForm.h"

#include "components/TApplication.h"

#include <sdbus-c++/sdbus-c++.h>
#include <unistd.h>

#include <chrono>
#include <exception>
#include <map>
#include <tuple>

namespace {

constexpr const char* kBusName = "org.mpris.MediaPlayer2.mira_nol";
constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
constexpr const char* kTrackPathPrefix = "/nol/mira/player/track/";
constexpr const char* kBusyError = "nol.mira.player.Error.Busy";
constexpr const char* kFailedError = "org.freedesktop.DBus.Error.Failed";
constexpr const char* kInvalidArgsError = "org.freedesktop.DBus.Error.InvalidArgs";
constexpr const char* kNotSupportedError = "org.freedesktop.DBus.Error.NotSupported";
// The player's own calls to the bus (taking its name) wait no longer than this for an answer, so a
// bus that accepts connections but never answers delays the start by at most this much.
constexpr auto kCallTimeout = std::chrono::seconds(2);

using TMetadata = std::map<std::string, sdbus::Variant>;

TMetadata MetadataOf(const TMprisState& s) {
  TMetadata m;
  if (s.Track < 0) {
    m["mpris:trackid"] = sdbus::Variant(sdbus::ObjectPath(kNoTrack));
    return m;
  }
  m["mpris:trackid"] = sdbus::Variant(sdbus::ObjectPath(kTrackPathPrefix + std::to_string(s.Track)));
  m["xesam:title"] = sdbus::Variant(s.Title);
  if (s.LengthUs >= 0) m["mpris:length"] = sdbus::Variant(int64_t{s.LengthUs});
  m["xesam:url"] = sdbus::Variant(s.Url);
  return m;
}

}  // namespace

struct TMprisService::TImpl {
  explicit TImpl(TMainForm& form) : Form(form) {}
  ~TImpl();

  TMainForm& Form;
  std::unique_ptr<sdbus::IConnection> Connection;
  std::unique_ptr<sdbus::IObject> Object;
  std::string Name;
  // What the last PropertiesChanged told, and the raw state it was taken from: the state is only
  // taken again (with its file path and URL) when one of the raw values moved.
  TMprisState Announced;
  std::tuple<bool, bool, bool, bool, int32_t, int32_t, int32_t, int32_t> AnnouncedRaw;
  // An exception a handler threw while serving a call; shown by the message loop's next turn.
  std::exception_ptr Pending;

  // Registers the object's methods, signals and properties, and completes it.
  void Register();
  void RegisterRoot(sdbus::IObject& o);
  void RegisterTransport(sdbus::IObject& o);
  void RegisterPlayerProperties(sdbus::IObject& o);
  void TakeName();
  void Watch();
  void Serve();
  void Announce();
  void LetGo();

  auto Raw() const {
    return std::tuple{bool(Form.Playing),   Form.Paused,       Form.Repeat,        Form.Shuffle,
                      int32_t(Form.Volume), Form.CurrentTrack, Form.LengthMinutes, Form.LengthSeconds};
  }
  TMprisState State() const { return MprisStateOf(Form); }
  // Runs a change the bus asked for: refused while a message box is up; a framework exception from
  // a handler is answered as a failure and shown as the message loop shows any other.
  template <class F>
  void Change(F&& change) {
    if (Application.InMessageBox()) throw sdbus::Error(kBusyError, "a message box is open; answer it first");
    try {
      change();
    } catch (const sdbus::Error&) {
      throw;
    } catch (const std::exception& e) {
      Pending = std::current_exception();
      throw sdbus::Error(kFailedError, e.what());
    } catch (...) {
      Pending = std::current_exception();
      throw sdbus::Error(kFailedError, "the player failed");
    }
  }
};

TMprisService::TImpl::~TImpl() {
  if (Application.OnIdle) Application.OnIdle = nullptr;
  if (TBackend* backend = Application.Backend()) backend->WatchDescriptor(-1, 0, nullptr);
}

void TMprisService::TImpl::Register() {
  RegisterRoot(*Object);
  RegisterTransport(*Object);
  RegisterPlayerProperties(*Object);
  Object->finishRegistration();
}

// The media player as a whole.
void TMprisService::TImpl::RegisterRoot(sdbus::IObject& o) {
  o.registerMethod("Raise").onInterface(kRootInterface).implementedAs([this] {
    Change([] { Application.EnsureBackend().RaiseWindow(); });
  });
  o.registerMethod("Quit").onInterface(kRootInterface).implementedAs([this] {
    Change([this] { Form.Button_QuitClick(Form.Button_Quit); });
  });
  o.registerProperty("CanQuit").onInterface(kRootInterface).withGetter([] { return true; });
  o.registerProperty("CanRaise").onInterface(kRootInterface).withGetter([] { return true; });
  o.registerProperty("HasTrackList").onInterface(kRootInterface).withGetter([] { return false; });
  o.registerProperty("Identity").onInterface(kRootInterface).withGetter([] { return std::string("mira.nol"); });
  o.registerProperty("DesktopEntry").onInterface(kRootInterface).withGetter([] { return std::string("mira.nol"); });
  o.registerProperty("SupportedUriSchemes").onInterface(kRootInterface).withGetter([] {
    return std::vector<std::string>{};
  });
  o.registerProperty("SupportedMimeTypes").onInterface(kRootInterface).withGetter([] {
    return std::vector<std::string>{};
  });
}

// The transport: each method is the matching button's handler, with that button as sender.
void TMprisService::TImpl::RegisterTransport(sdbus::IObject& o) {
  o.registerMethod("Next").onInterface(kPlayerInterface).implementedAs([this] {
    Change([this] { Form.Button_NextClick(Form.Button_Next); });
  });
  o.registerMethod("Previous").onInterface(kPlayerInterface).implementedAs([this] {
    Change([this] { Form.Button_PrevClick(Form.Button_Prev); });
  });
  o.registerMethod("Pause").onInterface(kPlayerInterface).implementedAs([this] {
    Change([this] { Form.Button_PauseClick(Form.Button_Pause); });
  });
  o.registerMethod("PlayPause").onInterface(kPlayerInterface).implementedAs([this] {
    Change([this] { MprisPlayPause(Form); });
  });
  o.registerMethod("Stop").onInterface(kPlayerInterface).implementedAs([this] {
    Change([this] { Form.Button_StopClick(Form.Button_Stop); });
  });
  o.registerMethod("Play").onInterface(kPlayerInterface).implementedAs([this] {
    Change([this] { Form.Button_PlayClick(Form.Button_Play); });
  });
  // The player cannot seek (CanSeek is false), and such a request has no effect.
  o.registerMethod("Seek").onInterface(kPlayerInterface).withInputParamNames("Offset").implementedAs([](int64_t) {});
  o.registerMethod("SetPosition")
      .onInterface(kPlayerInterface)
      .withInputParamNames("TrackId", "Position")
      .implementedAs([](const sdbus::ObjectPath&, int64_t) {});
  o.registerMethod("OpenUri")
      .onInterface(kPlayerInterface)
      .withInputParamNames("Uri")
      .implementedAs(
          [](const std::string&) { throw sdbus::Error(kNotSupportedError, "the player opens no addresses"); });
  o.registerSignal("Seeked").onInterface(kPlayerInterface).withParameters<int64_t>("Position");
}

void TMprisService::TImpl::RegisterPlayerProperties(sdbus::IObject& o) {
  o.registerProperty("PlaybackStatus").onInterface(kPlayerInterface).withGetter([this] {
    return State().PlaybackStatus;
  });
  o.registerProperty("LoopStatus")
      .onInterface(kPlayerInterface)
      .withGetter([this] { return State().LoopStatus; })
      .withSetter([this](const std::string& status) {
        Change([&] {
          if (TResult<void> set = MprisSetLoopStatus(Form, status); !set)
            throw sdbus::Error(kInvalidArgsError, set.Error());
        });
      });
  o.registerProperty("Rate").onInterface(kPlayerInterface).withGetter([] { return 1.0; });
  o.registerProperty("MinimumRate").onInterface(kPlayerInterface).withGetter([] { return 1.0; });
  o.registerProperty("MaximumRate").onInterface(kPlayerInterface).withGetter([] { return 1.0; });
  o.registerProperty("Shuffle")
      .onInterface(kPlayerInterface)
      .withGetter([this] { return State().Shuffle; })
      .withSetter([this](const bool& on) { Change([&] { MprisSetShuffle(Form, on); }); });
  o.registerProperty("Metadata").onInterface(kPlayerInterface).withGetter([this] { return MetadataOf(State()); });
  o.registerProperty("Volume")
      .onInterface(kPlayerInterface)
      .withGetter([this] { return State().Volume; })
      .withSetter([this](const double& volume) {
        Change([&] {
          if (TResult<void> set = MprisSetVolume(Form, volume); !set)
            throw sdbus::Error(kInvalidArgsError, set.Error());
        });
      });
  // The time the clock shows; it moves all the time, so no change of it is announced.
  o.registerProperty("Position")
      .onInterface(kPlayerInterface)
      .withGetter([this] {
        if (!Form.Playing) return int64_t{0};
        return (int64_t(Form.PosMinutes) * 60 + int64_t(Form.PosSeconds)) * 1000000;
      })
      .withUpdateBehavior(sdbus::Flags::EMITS_NO_SIGNAL);
  o.registerProperty("CanGoNext").onInterface(kPlayerInterface).withGetter([this] { return State().CanPlay; });
  o.registerProperty("CanGoPrevious").onInterface(kPlayerInterface).withGetter([this] { return State().CanPlay; });
  o.registerProperty("CanPlay").onInterface(kPlayerInterface).withGetter([this] { return State().CanPlay; });
  o.registerProperty("CanPause").onInterface(kPlayerInterface).withGetter([this] { return State().CanPlay; });
  o.registerProperty("CanSeek").onInterface(kPlayerInterface).withGetter([] { return false; });
  o.registerProperty("CanControl")
      .onInterface(kPlayerInterface)
      .withGetter([] { return true; })
      .withUpdateBehavior(sdbus::Flags::CONST_PROPERTY_VALUE);
}

void TMprisService::TImpl::TakeName() {
  try {
    Connection->requestName(kBusName);
    Name = kBusName;
  } catch (const sdbus::Error&) {
    // Another player holds the name: a second one takes a name of its own, as the interface allows.
    const std::string instance = std::string(kBusName) + ".instance" + std::to_string(getpid());
    Connection->requestName(instance);
    Name = instance;
  }
}

void TMprisService::TImpl::Watch() {
  const sdbus::IConnection::PollData poll = Connection->getEventLoopPollData();
  Application.EnsureBackend().WatchDescriptor(poll.fd, poll.events, [this] { Serve(); });
}

void TMprisService::TImpl::Serve() {
  if (!Connection) return;
  try {
    // NOTE: every message already read must be handled now: the descriptor does not become ready
    // again for messages the connection holds in memory.
    while (Connection->processPendingRequest()) {
    }
    Watch();
  } catch (const std::exception&) {
    LetGo();
  }
}

void TMprisService::TImpl::Announce() {
  if (Pending) std::rethrow_exception(std::exchange(Pending, nullptr));
  if (!Connection) return;
  const auto raw = Raw();
  if (raw == AnnouncedRaw) return;
  AnnouncedRaw = raw;
  TMprisState now = State();
  const std::vector<std::string> changed = ChangedMprisProperties(Announced, now);
  Announced = std::move(now);
  if (changed.empty()) return;
  try {
    Object->emitPropertiesChangedSignal(kPlayerInterface, changed);
    // A signal that did not go out at once waits for the descriptor to take it.
    Watch();
  } catch (const std::exception&) {
    LetGo();
  }
}

void TMprisService::TImpl::LetGo() {
  // The bus went away or broke: the player goes on as it does without one.
  if (TBackend* backend = Application.Backend()) backend->WatchDescriptor(-1, 0, nullptr);
  Object.reset();
  Connection.reset();
}

TResult<std::unique_ptr<TMprisService>> TMprisService::Create(TMainForm& form) {
  auto impl = std::make_unique<TImpl>(form);
  try {
    impl->Connection = sdbus::createSessionBusConnection();
    impl->Connection->setMethodCallTimeout(kCallTimeout);
    // The object first, so that a client that sees the name appear finds it complete.
    impl->Object = sdbus::createObject(*impl->Connection, kObjectPath);
    impl->Register();
    impl->TakeName();
  } catch (const sdbus::Error& e) {
    impl->Object.reset();
    impl->Connection.reset();
    return Fail("no desktop player controls: " + e.getMessage());
  }
  impl->AnnouncedRaw = impl->Raw();
  impl->Announced = impl->State();
  TImpl* served = impl.get();
  Application.OnIdle = [served](TObject*) { served->Announce(); };
  served->Serve();
  return std::unique_ptr<TMprisService>(new TMprisService(std::move(impl)));
}

TMprisService::TMprisService(std::unique_ptr<TImpl> impl) : FImpl(std::move(impl)) {}

TMprisService::~TMprisService() = default;

const std::string& TMprisService::BusName() const { return FImpl->Name; }

bool TMprisService::Connected() const { return FImpl->Connection != nullptr; }
