// SPDX-License-Identifier: MIT
// The sound library loader against stand-in libraries: writing, searching, resolving, and output start-up.
#include "audio/AudioLibrary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kTextNotFound = "Sound Library Load: failed! ( sndlib.so not found )";
constexpr const char* kTextNoMemory = "snd_init: There is insufficent memory.";
constexpr const char* kTextNoRate = "snd_init: 22kHz & 44kHz not supported.";
constexpr const char* kTextAlreadyInitialised = "snd_init: The sound library has already been initialized.";
constexpr const char* kTextMystery = "snd_init: Some other mystery problem!";

void* const kWindow = reinterpret_cast<void*>(0x5eed);

using TBytes = std::vector<unsigned char>;

TBytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return TBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Text(const char* message) { return message ? message : "(no text)"; }

ino_t Inode(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_ino;
}

// The file and the exported name an entry of the table points into.
std::pair<std::string, std::string> WhereIs(const void* address) {
  Dl_info info{};
  if (!dladdr(address, &info)) return {};
  return {info.dli_fname ? info.dli_fname : "", info.dli_sname ? info.dli_sname : ""};
}

class AudioLibraryLoader : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "mira-audio-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    FRoot = pattern;
    fs::create_directories(ProgramFolder());
    fs::create_directories(SystemFolder());
    setenv("FAKE_SNDLIB_LOG", LogPath().c_str(), 1);
    unsetenv("FAKE_SNDLIB_INIT");
    unsetenv("FAKE_SNDLIB_CODES");
    ResetAudioLibraryForTesting();
    FFull = ReadBytes(MIRA_FAKE_SNDLIB);
    FIncomplete = ReadBytes(MIRA_FAKE_SNDLIB_INCOMPLETE);
    ASSERT_FALSE(FFull.empty());
    ASSERT_FALSE(FIncomplete.empty());
  }

  void TearDown() override {
    ResetAudioLibraryForTesting();
    unsetenv("FAKE_SNDLIB_LOG");
    unsetenv("FAKE_SNDLIB_INIT");
    unsetenv("FAKE_SNDLIB_CODES");
    chmod(SystemFolder().c_str(), 0700);
    std::error_code ignored;
    fs::remove_all(FRoot, ignored);
  }

  fs::path ProgramFolder() const { return FRoot / "program"; }
  fs::path SystemFolder() const { return FRoot / "system"; }
  fs::path LogPath() const { return FRoot / "calls.log"; }

  // The usual set-up: nothing beside the program, the image written into the system folder.
  TAudioLibrarySetup Setup(const TBytes& image) const {
    TAudioLibrarySetup setup;
    setup.Image = image;
    setup.ProgramFolder = fs::path();
    setup.SystemFolder = SystemFolder();
    return setup;
  }

  // Loads the full stand-in with scripted snd_init results and error codes, from a clean log.
  const char* LoadScripted(const char* initResults, const char* errorCodes) {
    ResetAudioLibraryForTesting();
    fs::remove(LogPath());
    setenv("FAKE_SNDLIB_INIT", initResults, 1);
    setenv("FAKE_SNDLIB_CODES", errorCodes, 1);
    return LoadAudioLibrary(kWindow, Setup(FFull));
  }

  std::vector<std::string> Calls() const {
    std::vector<std::string> lines;
    std::ifstream in(LogPath());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  static std::string Init(int device, unsigned rate) {
    char line[96];
    std::snprintf(line, sizeof line, "snd_init %d %u 0 %p", device, rate, kWindow);
    return line;
  }

  fs::path FRoot;
  TBytes FFull;
  TBytes FIncomplete;
};

TEST_F(AudioLibraryLoader, default_device_at_44100_is_one_init_and_no_error_read) {
  EXPECT_EQ(Text(LoadAudioLibrary(kWindow, Setup(FFull))), Text(nullptr));
  EXPECT_EQ(Calls(), std::vector<std::string>{Init(-1, 44100)});
  EXPECT_TRUE(IsAudioLibraryLoaded());

  // Every entry of the table points at the library's export of the same name.
  const fs::path written = SystemFolder() / "sndlib.so";
#define CHECK_ENTRY(name)                                            \
  EXPECT_EQ(WhereIs(reinterpret_cast<const void*>(SndTable().name)), \
            std::make_pair(written.string(), std::string(#name)));
  MIRA_SND_ENTRY_POINTS(CHECK_ENTRY)
#undef CHECK_ENTRY
  SndTable().snd_set_volume(42);
  EXPECT_EQ(Calls().back(), "snd_set_volume 42");
}

TEST_F(AudioLibraryLoader, code_6_retries_the_default_device_at_22500) {
  EXPECT_EQ(Text(LoadScripted("0,1", "6")), Text(nullptr));
  EXPECT_EQ(Calls(), (std::vector<std::string>{Init(-1, 44100), "snd_error_get_code", Init(-1, 22500)}));
}

TEST_F(AudioLibraryLoader, code_6_twice_gives_the_22khz_text_without_a_second_error_read) {
  EXPECT_EQ(Text(LoadScripted("0,0", "6,6")), kTextNoRate);
  EXPECT_EQ(Calls(), (std::vector<std::string>{Init(-1, 44100), "snd_error_get_code", Init(-1, 22500)}));
}

TEST_F(AudioLibraryLoader, codes_3_and_23_retry_once_on_the_no_sound_device_and_go_on) {
  for (const char* code : {"3", "23"}) {
    for (const char* retry : {"0,1", "0,0"}) {
      SCOPED_TRACE(std::string("code ") + code + ", init results " + retry);
      EXPECT_EQ(Text(LoadScripted(retry, code)), Text(nullptr));
      EXPECT_EQ(Calls(), (std::vector<std::string>{Init(-1, 44100), "snd_error_get_code", Init(-2, 44100)}));
    }
  }
}

TEST_F(AudioLibraryLoader, codes_outside_the_table_go_on_without_retry_or_text) {
  for (const char* code : {"2", "8", "0", "99"}) {
    SCOPED_TRACE(std::string("code ") + code);
    EXPECT_EQ(Text(LoadScripted("0", code)), Text(nullptr));
    EXPECT_EQ(Calls(), (std::vector<std::string>{Init(-1, 44100), "snd_error_get_code"}));
  }
}

TEST_F(AudioLibraryLoader, codes_1_14_and_minus_1_end_start_up_with_their_texts) {
  const std::pair<const char*, const char*> cases[] = {
      {"1", kTextNoMemory}, {"14", kTextAlreadyInitialised}, {"-1", kTextMystery}};
  for (const auto& [code, text] : cases) {
    SCOPED_TRACE(std::string("code ") + code);
    EXPECT_EQ(Text(LoadScripted("0", code)), text);
    EXPECT_EQ(Calls(), (std::vector<std::string>{Init(-1, 44100), "snd_error_get_code"}));
  }
}

TEST_F(AudioLibraryLoader, a_library_missing_one_entry_point_fails_to_load_and_is_never_called) {
  EXPECT_EQ(Text(LoadAudioLibrary(kWindow, Setup(FIncomplete))), kTextNotFound);
  EXPECT_FALSE(IsAudioLibraryLoaded());
  EXPECT_TRUE(Calls().empty());
  // The table still holds harmless stubs: a stray call answers "failed" and reaches no library.
  EXPECT_EQ(SndTable().snd_init(-1, 44100, 0, kWindow), 0);
  EXPECT_EQ(SndTable().snd_stream_get_length(1), 0u);
  EXPECT_TRUE(Calls().empty());
}

TEST_F(AudioLibraryLoader, no_library_in_either_folder_fails_to_load) {
  EXPECT_EQ(Text(LoadAudioLibrary(kWindow, Setup({}))), kTextNotFound);
  TAudioLibrarySetup nowhere;
  nowhere.ProgramFolder = fs::path();
  nowhere.SystemFolder = fs::path();
  EXPECT_EQ(Text(LoadAudioLibrary(kWindow, nowhere)), kTextNotFound);
  // A file that is no shared object at all is not loaded either.
  const TBytes junk{'n', 'o', 't', ' ', 'a', 'n', ' ', 'E', 'L', 'F'};
  EXPECT_EQ(Text(LoadAudioLibrary(kWindow, Setup(junk))), kTextNotFound);
  EXPECT_FALSE(IsAudioLibraryLoaded());
}

TEST_F(AudioLibraryLoader, the_file_is_replaced_at_every_start_and_a_mapped_old_copy_stays_intact) {
  const fs::path target = SystemFolder() / "sndlib.so";
  {
    std::ofstream old(target, std::ios::binary);
    old.write(reinterpret_cast<const char*>(FIncomplete.data()), static_cast<std::streamsize>(FIncomplete.size()));
  }
  // Another running player has the old copy mapped (loaded under another spelling of its path, so
  // the loader's own load is not answered with this one).
  void* running = dlopen((SystemFolder() / "." / "sndlib.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(running, nullptr) << dlerror();
  auto runningSetVolume = reinterpret_cast<decltype(&snd_set_volume)>(dlsym(running, "snd_set_volume"));
  ASSERT_NE(runningSetVolume, nullptr);
  const ino_t oldInode = Inode(target);

  EXPECT_EQ(Text(LoadAudioLibrary(kWindow, Setup(FFull))), Text(nullptr));
  EXPECT_EQ(ReadBytes(target), FFull);
  const ino_t firstInode = Inode(target);
  EXPECT_NE(firstInode, oldInode);
  EXPECT_EQ(runningSetVolume(7), 1);
  EXPECT_EQ(Calls().back(), "snd_set_volume 7");
  dlclose(running);

  // The next start writes the file again, and leaves no temporary file behind.
  ResetAudioLibraryForTesting();
  EXPECT_EQ(Text(LoadAudioLibrary(kWindow, Setup(FFull))), Text(nullptr));
  EXPECT_NE(Inode(target), firstInode);
  EXPECT_EQ(std::distance(fs::directory_iterator(SystemFolder()), fs::directory_iterator()), 1);
}

TEST_F(AudioLibraryLoader, the_copy_beside_the_program_is_found_before_the_written_one) {
  fs::copy_file(MIRA_FAKE_SNDLIB, ProgramFolder() / "sndlib.so");
  TAudioLibrarySetup setup = Setup(FIncomplete);
  setup.ProgramFolder = ProgramFolder();
  EXPECT_EQ(Text(LoadAudioLibrary(kWindow, setup)), Text(nullptr));
  EXPECT_EQ(WhereIs(reinterpret_cast<const void*>(SndTable().snd_init)).first,
            (ProgramFolder() / "sndlib.so").string());
  // The image was written all the same.
  EXPECT_EQ(ReadBytes(SystemFolder() / "sndlib.so"), FIncomplete);
}

TEST_F(AudioLibraryLoader, by_default_the_folder_of_the_running_program_comes_first) {
  TAudioLibrarySetup setup = Setup(FIncomplete);
  setup.ProgramFolder.reset();
  EXPECT_EQ(Text(LoadAudioLibrary(kWindow, setup)), Text(nullptr));
  const fs::path own = fs::read_symlink("/proc/self/exe").parent_path() / "sndlib.so";
  EXPECT_EQ(WhereIs(reinterpret_cast<const void*>(SndTable().snd_init)).first, own.string());
}

TEST_F(AudioLibraryLoader, a_system_folder_that_cannot_be_written_still_loads) {
  // A folder that cannot even exist: below a plain file.
  { std::ofstream plain(FRoot / "plain"); }
  fs::copy_file(MIRA_FAKE_SNDLIB, ProgramFolder() / "sndlib.so");
  TAudioLibrarySetup setup = Setup(FFull);
  setup.ProgramFolder = ProgramFolder();
  setup.SystemFolder = FRoot / "plain" / "mira.nol";
  EXPECT_EQ(Text(LoadAudioLibrary(kWindow, setup)), Text(nullptr));
  EXPECT_EQ(Calls(), std::vector<std::string>{Init(-1, 44100)});
}

TEST_F(AudioLibraryLoader, a_read_only_system_folder_loads_the_copy_of_an_earlier_start_unchanged) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root, which may write into a read-only folder";
  fs::copy_file(MIRA_FAKE_SNDLIB, SystemFolder() / "sndlib.so");
  ASSERT_EQ(chmod(SystemFolder().c_str(), 0500), 0);
  EXPECT_EQ(Text(LoadAudioLibrary(kWindow, Setup(FIncomplete))), Text(nullptr));
  EXPECT_EQ(ReadBytes(SystemFolder() / "sndlib.so"), FFull);
}

TEST_F(AudioLibraryLoader, the_program_writes_its_embedded_image_into_the_private_per_user_folder) {
  const std::optional<std::string> savedCache =
      std::getenv("XDG_CACHE_HOME") ? std::optional<std::string>(std::getenv("XDG_CACHE_HOME")) : std::nullopt;
  setenv("XDG_CACHE_HOME", (FRoot / "cache").c_str(), 1);
  // The image built into this suite is the incomplete stand-in; the complete one beside the test
  // program is what loads.
  const char* text = LoadAudioLibrary(kWindow);
  if (savedCache)
    setenv("XDG_CACHE_HOME", savedCache->c_str(), 1);
  else
    unsetenv("XDG_CACHE_HOME");

  EXPECT_EQ(Text(text), Text(nullptr));
  const fs::path folder = FRoot / "cache" / "mira.nol";
  EXPECT_EQ(ReadBytes(folder / "sndlib.so"), FIncomplete);
  EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
  EXPECT_EQ(Calls(), std::vector<std::string>{Init(-1, 44100)});
}

// --- The installed library, and what standard error says when nothing loads ------------------------

// The lines a call wrote to standard error.
std::vector<std::string> ErrLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start) + " (no line end)");
  return lines;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class InstalledAudioLibrary : public AudioLibraryLoader {
protected:
  void SetUp() override {
    AudioLibraryLoader::SetUp();
    const char* cache = std::getenv("XDG_CACHE_HOME");
    FSavedCache = cache ? std::optional<std::string>(cache) : std::nullopt;
    setenv("XDG_CACHE_HOME", Cache().c_str(), 1);
    fs::create_directories(Bin());
    fs::create_directories(Installed());
  }
  void TearDown() override {
    if (FSavedCache)
      setenv("XDG_CACHE_HOME", FSavedCache->c_str(), 1);
    else
      unsetenv("XDG_CACHE_HOME");
    AudioLibraryLoader::TearDown();
  }

  fs::path Cache() const { return FRoot / "cache"; }
  fs::path Bin() const { return FRoot / "prefix" / "bin"; }
  fs::path Installed() const { return FRoot / "prefix" / "lib" / "mira.nol"; }

  // The installed layout: the program in prefix/bin, with its image and nothing else given, so the
  // installed folder and the per-user folder are the loader's own choices.
  TAudioLibrarySetup InstalledSetup(const TBytes& image) const {
    TAudioLibrarySetup setup;
    setup.Image = image;
    setup.ProgramFolder = Bin();
    return setup;
  }

  // Loads with standard error captured; returns the message box text.
  std::string LoadCapturing(const TAudioLibrarySetup& setup) {
    testing::internal::CaptureStderr();
    const char* text = LoadAudioLibrary(kWindow, setup);
    FErr = testing::internal::GetCapturedStderr();
    return Text(text);
  }

  std::optional<std::string> FSavedCache;
  std::string FErr;
};

TEST_F(InstalledAudioLibrary, the_installed_library_is_loaded_first_and_nothing_is_written) {
  // The installed copy is the complete stand-in; the image and a copy beside the program are the
  // incomplete one, which could not be used.
  fs::copy_file(MIRA_FAKE_SNDLIB, Installed() / "sndlib.so");
  fs::copy_file(MIRA_FAKE_SNDLIB_INCOMPLETE, Bin() / "sndlib.so");
  EXPECT_EQ(LoadCapturing(InstalledSetup(FIncomplete)), Text(nullptr));
  EXPECT_EQ(FErr, "");
  EXPECT_EQ(WhereIs(reinterpret_cast<const void*>(SndTable().snd_init)).first, (Installed() / "sndlib.so").string());
  EXPECT_EQ(Calls(), std::vector<std::string>{Init(-1, 44100)});
  // No copy in the per-user folder, not even the folder itself.
  EXPECT_FALSE(fs::exists(Cache()));
}

TEST_F(InstalledAudioLibrary, without_an_installed_library_the_program_writes_and_loads_its_own_copy) {
  EXPECT_EQ(LoadCapturing(InstalledSetup(FFull)), Text(nullptr));
  EXPECT_EQ(FErr, "");
  const fs::path written = Cache() / "mira.nol" / "sndlib.so";
  EXPECT_EQ(ReadBytes(written), FFull);
  EXPECT_EQ(WhereIs(reinterpret_cast<const void*>(SndTable().snd_init)).first, written.string());
}

TEST_F(InstalledAudioLibrary, an_installed_library_that_does_not_load_is_reported_and_the_own_copy_is_used) {
  const fs::path broken = Installed() / "sndlib.so";
  { std::ofstream(broken) << "not an ELF file"; }
  EXPECT_EQ(LoadCapturing(InstalledSetup(FFull)), Text(nullptr));
  const std::vector<std::string> lines = ErrLines(FErr);
  ASSERT_EQ(lines.size(), 1u) << FErr;
  EXPECT_EQ(lines[0].rfind("mira.nol: the installed sound library does not load", 0), 0u) << lines[0];
  EXPECT_TRUE(Contains(lines[0], broken.string())) << lines[0];
  EXPECT_EQ(WhereIs(reinterpret_cast<const void*>(SndTable().snd_init)).first,
            (Cache() / "mira.nol" / "sndlib.so").string());

  // One without every entry point is passed over the same way, and says which one it lacks.
  ResetAudioLibraryForTesting();
  fs::remove(broken);
  fs::copy_file(MIRA_FAKE_SNDLIB_INCOMPLETE, broken);
  EXPECT_EQ(LoadCapturing(InstalledSetup(FFull)), Text(nullptr));
  EXPECT_TRUE(Contains(FErr, broken.string() + ": no entry point snd_stream_get_length")) << FErr;
  EXPECT_EQ(ErrLines(FErr).size(), 1u) << FErr;
}

TEST_F(InstalledAudioLibrary, when_nothing_loads_one_line_names_every_file_tried_and_why) {
  // Garbage beside the program, and a per-user folder that cannot be made: below a plain file.
  { std::ofstream(Bin() / "sndlib.so") << std::string(4096, 'g'); }
  { std::ofstream(FRoot / "plain") << ""; }
  TAudioLibrarySetup setup = InstalledSetup(FFull);
  setup.SystemFolder = FRoot / "plain" / "mira.nol";
  EXPECT_EQ(LoadCapturing(setup), kTextNotFound);
  EXPECT_FALSE(IsAudioLibraryLoaded());

  const std::vector<std::string> lines = ErrLines(FErr);
  ASSERT_EQ(lines.size(), 1u) << FErr;
  const std::string& line = lines[0];
  EXPECT_EQ(line.rfind("mira.nol: cannot load the sound library: ", 0), 0u) << line;
  // The installed place, looked at and empty.
  EXPECT_TRUE(Contains(line, (Installed() / "sndlib.so").string() + ": no such file")) << line;
  // The garbage, with the dynamic loader's own reason.
  EXPECT_TRUE(Contains(line, (Bin() / "sndlib.so").string() + ": invalid ELF header")) << line;
  // The write that failed, and the folder where no copy could be.
  EXPECT_TRUE(Contains(line, "cannot write " + (FRoot / "plain" / "mira.nol" / "sndlib.so").string() + ": ")) << line;
  EXPECT_TRUE(Contains(line, (FRoot / "plain" / "mira.nol" / "sndlib.so").string() + ": no such file")) << line;
}

TEST_F(InstalledAudioLibrary, a_library_missing_an_entry_point_is_named_when_it_ends_the_start) {
  EXPECT_EQ(LoadCapturing(Setup(FIncomplete)), kTextNotFound);
  EXPECT_EQ(ErrLines(FErr), std::vector<std::string>{
                                "mira.nol: cannot load the sound library: " + (SystemFolder() / "sndlib.so").string() +
                                ": no entry point snd_stream_get_length"});
}

TEST_F(InstalledAudioLibrary, a_failed_initialisation_writes_nothing_on_standard_error) {
  // The message box says it all; the loading itself went well.
  fs::copy_file(MIRA_FAKE_SNDLIB, Installed() / "sndlib.so");
  setenv("FAKE_SNDLIB_INIT", "0", 1);
  setenv("FAKE_SNDLIB_CODES", "1", 1);
  EXPECT_EQ(LoadCapturing(InstalledSetup({})), kTextNoMemory);
  EXPECT_EQ(FErr, "");
}

// Fakes for the player's tests: a table set by hand, without any file.
int32_t FakeErrorCode() { return 1; }
SND_BOOL FakeInitFails(int32_t, uint32_t, uint32_t, void*) { return 0; }

TEST(AudioEntryTable, before_loading_every_entry_is_a_harmless_stub_that_answers_zero) {
  ResetAudioLibraryForTesting();
  const TSndEntryTable& snd = SndTable();
  float buffer[4] = {1, 2, 3, 4};
  EXPECT_EQ(snd.snd_error_get_code(), 0);
  EXPECT_EQ(snd.snd_init(-1, 44100, 0, nullptr), 0);
  EXPECT_EQ(snd.snd_music_free(1), 0);
  EXPECT_EQ(snd.snd_start(), 0);
  EXPECT_EQ(snd.snd_stop(), 0);
  EXPECT_EQ(snd.snd_set_volume(50), 0);
  EXPECT_EQ(snd.snd_music_load(0, "x.xm", 0, 0, 0x2001), 0u);
  EXPECT_EQ(snd.snd_music_play_ex(1, 0, -1, 1), 0);
  EXPECT_EQ(snd.snd_stream_create_file(0, "x.mp3", 0, 0, 0x40000), 0u);
  EXPECT_EQ(snd.snd_stream_play(1, 0, 0), 0);
  EXPECT_EQ(snd.snd_channel_set_attributes(1, 44100, -1, 0), 0);
  EXPECT_EQ(snd.snd_channel_get_level(1), 0u);
  EXPECT_EQ(snd.snd_channel_stop(1), 0);
  EXPECT_EQ(snd.snd_channel_pause(1), 0);
  EXPECT_EQ(snd.snd_channel_resume(1), 0);
  EXPECT_EQ(snd.snd_music_get_length(1, 1), 0u);
  EXPECT_EQ(snd.snd_channel_bytes_to_seconds(1, 4096), 0.0);
  EXPECT_EQ(snd.snd_channel_get_data(1, buffer, 0x80000002), 0u);
  EXPECT_EQ(buffer[3], 4.0f);
  EXPECT_EQ(snd.snd_stream_free(1), 0);
  EXPECT_EQ(snd.snd_stream_get_length(1), 0u);
}

TEST(AudioEntryTable, a_test_table_runs_only_the_initialisation_and_touches_no_file) {
  std::string pattern = (fs::temp_directory_path() / "mira-cache-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const char* oldCache = std::getenv("XDG_CACHE_HOME");
  const std::string savedCache = oldCache ? oldCache : "";
  setenv("XDG_CACHE_HOME", pattern.c_str(), 1);

  TSndEntryTable fakes;
  fakes.snd_init = &FakeInitFails;
  fakes.snd_error_get_code = &FakeErrorCode;
  SetEntryTableForTesting(fakes);
  EXPECT_EQ(Text(LoadAudioLibrary(kWindow)), kTextNoMemory);
  EXPECT_TRUE(IsAudioLibraryLoaded());
  EXPECT_FALSE(fs::exists(fs::path(pattern) / "mira.nol"));
  EXPECT_EQ(SndTable().snd_stop(), 0);  // not given: a stub
  ResetAudioLibraryForTesting();

  if (oldCache)
    setenv("XDG_CACHE_HOME", savedCache.c_str(), 1);
  else
    unsetenv("XDG_CACHE_HOME");
  fs::remove_all(pattern);
}

}  // namespace
