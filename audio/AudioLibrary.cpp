// SPDX-License-Identifier: MIT
// The sound library loader: write the image, load the library, resolve the entry table, initialise output.
#include "audio/AudioLibrary.h"

#include "audio/AudioLibraryState.h"
#include "platform/Directories.h"
#include "platform/ProblemReport.h"
#include "platform/TDynamicLibrary.h"

#include <array>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kTextNotFound = "Sound Library Load: failed! ( sndlib.so not found )";
constexpr const char* kTextNoMemory = "snd_init: There is insufficent memory.";
constexpr const char* kTextNoRate = "snd_init: 22kHz & 44kHz not supported.";
constexpr const char* kTextAlreadyInitialised = "snd_init: The sound library has already been initialized.";
constexpr const char* kTextMystery = "snd_init: Some other mystery problem!";

// The two output rates tried on the default device.
constexpr uint32_t kRate = 44100;
constexpr uint32_t kFallbackRate = 22500;

struct TLoaderState {
  std::span<const unsigned char> Image;
  // The loaded library. It is never unloaded in the program: its output thread runs until the end.
  void* Handle = nullptr;
  bool Loaded = false;
  bool TestTable = false;
};

TLoaderState& State() {
  static TLoaderState state;
  return state;
}

bool WriteAll(int fd, std::span<const unsigned char> bytes) {
  while (!bytes.empty()) {
    ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

// Replaces folder/sndlib.so with the image. The bytes go to a new file that is then renamed over the
// old one: rewriting the old file in place would change the code under any running player that has
// it mapped, and crash it. Returns the reason when anything fails (leaving the old file as it was),
// or an empty text.
std::string WriteLibraryImage(const std::filesystem::path& folder, std::span<const unsigned char> image) {
  const std::filesystem::path target = folder / kSndlibFileName;
  std::string temporary = target.string() + ".XXXXXX";
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return "cannot write " + target.string() + ": " + std::strerror(errno);
  bool written = WriteAll(fd, image) && fchmod(fd, 0755) == 0;
  written = (close(fd) == 0) && written;
  if (written && rename(temporary.c_str(), target.c_str()) == 0) return {};
  const int error = errno;
  unlink(temporary.c_str());
  return "cannot write " + target.string() + ": " + std::strerror(error);
}

// The entry table from the library, or nothing and the first name it does not export in `missing`.
std::optional<TSndEntryTable> ResolveEntryTable(const TDynamicLibrary& library, std::string& missing) {
  TSndEntryTable table;
  // In table order; the first name the library does not export makes the load fail, since a null
  // entry would only crash later, at its first call.
#define MIRA_SND_ENTRY_RESOLVE(name)                                          \
  table.name = reinterpret_cast<decltype(table.name)>(library.Symbol(#name)); \
  if (!table.name) {                                                          \
    missing = #name;                                                          \
    return std::nullopt;                                                      \
  }
  MIRA_SND_ENTRY_POINTS(MIRA_SND_ENTRY_RESOLVE)
#undef MIRA_SND_ENTRY_RESOLVE
  return table;
}

// Loads the first sndlib.so in the folders that loads, and fills the entry table from it. For every
// file passed over, and for a library without all entry points, `reasons` gets one line.
bool LoadFrom(std::span<const std::filesystem::path> folders, std::vector<std::string>& reasons) {
  TResult<TDynamicLibrary> library = TDynamicLibrary::OpenByName(kSndlibFileName, folders, &reasons);
  if (!library) return false;
  std::string missing;
  std::optional<TSndEntryTable> table = ResolveEntryTable(*library, missing);
  if (!table) {
    reasons.push_back(library->Path().string() + ": no entry point " + missing);
    return false;
  }
  MutableSndTable() = *table;
  State().Handle = library->Release();
  State().Loaded = true;
  return true;
}

std::string Joined(const std::vector<std::string>& reasons) {
  std::string text;
  for (const std::string& reason : reasons) text += (text.empty() ? "" : "; ") + reason;
  return text;
}

// Starts output on the default device, with the fallbacks the library's failure code asks for.
const char* InitialiseOutput(const TSndEntryTable& snd, void* window) {
  if (snd.snd_init(SND_DEVICE_DEFAULT, kRate, 0, window)) return nullptr;
  switch (snd.snd_error_get_code()) {
    case SND_ERROR_MEM: return kTextNoMemory;
    case SND_ERROR_DRIVER:
    case SND_ERROR_DEVICE:
      // No output device or no driver: play on the no-sound output. Should that fail too, start-up
      // goes on, and the library's later calls fail without effect.
      snd.snd_init(SND_DEVICE_NOSOUND, kRate, 0, window);
      return nullptr;
    case SND_ERROR_FORMAT: return snd.snd_init(SND_DEVICE_DEFAULT, kFallbackRate, 0, window) ? nullptr : kTextNoRate;
    case SND_ERROR_ALREADY: return kTextAlreadyInitialised;
    case SND_ERROR_UNKNOWN: return kTextMystery;
    default: return nullptr;
  }
}

}  // namespace

const char* LoadAudioLibrary(void* window) {
  if (State().TestTable) return InitialiseOutput(SndTable(), window);
  TAudioLibrarySetup setup;
  setup.Image = State().Image;
  return LoadAudioLibrary(window, setup);
}

const char* LoadAudioLibrary(void* window, const TAudioLibrarySetup& setup) {
  assert(!State().Loaded && "LoadAudioLibrary runs once per process");
  const std::filesystem::path programFolder =
      setup.ProgramFolder ? *setup.ProgramFolder : ProgramDirectory().value_or(std::filesystem::path());
  std::filesystem::path installedFolder;
  if (setup.InstalledFolder)
    installedFolder = *setup.InstalledFolder;
  else if (!programFolder.empty())
    installedFolder = (programFolder / kInstalledSndlibFolder).lexically_normal();

  // An installed program has its library in place: nothing is written, and the per-user folder is not
  // even made.
  std::vector<std::string> installedReasons;
  std::error_code absent;
  const bool installed = !installedFolder.empty() && std::filesystem::exists(installedFolder / kSndlibFileName, absent);
  if (!installedFolder.empty()) {
    const std::array<std::filesystem::path, 1> folder{installedFolder};
    if (LoadFrom(folder, installedReasons)) return InitialiseOutput(SndTable(), window);
  }

  std::vector<std::string> reasons = installedReasons;
  std::filesystem::path systemFolder;
  if (setup.SystemFolder) {
    systemFolder = *setup.SystemFolder;
  } else {
    std::string why;
    if (auto folder = SystemDirectory(&why))
      systemFolder = *folder;
    else
      reasons.push_back("no per-user cache folder for the library: " + why);
  }
  // A folder or file that cannot be written is no reason to stop: a copy written at an earlier
  // start, or one beside the program, still loads.
  if (!systemFolder.empty() && !setup.Image.empty()) {
    std::string written = WriteLibraryImage(systemFolder, setup.Image);
    if (!written.empty()) reasons.push_back(std::move(written));
  }

  const std::array<std::filesystem::path, 2> folders{programFolder, systemFolder};
  if (!LoadFrom(folders, reasons)) {
    ReportProblem("cannot load the sound library: " + (reasons.empty() ? "no folder to look in" : Joined(reasons)));
    return kTextNotFound;
  }
  if (installed)
    ReportProblem("the installed sound library does not load, the program's own copy is used instead: " +
                  Joined(installedReasons));
  return InitialiseOutput(SndTable(), window);
}

bool IsAudioLibraryLoaded() { return State().Loaded; }

void RegisterAudioLibraryImage(std::span<const unsigned char> image) { State().Image = image; }

void SetEntryTableForTesting(const TSndEntryTable& table) {
  MutableSndTable() = WithStubs(table);
  State().TestTable = true;
  State().Loaded = true;
}

void ResetAudioLibraryForTesting() {
  MutableSndTable() = WithStubs({});
  TDynamicLibrary::Close(State().Handle);
  State().Handle = nullptr;
  State().Loaded = false;
  State().TestTable = false;
}
