// SPDX-License-Identifier: MIT
// What the library's whole path costs per minute of audio, next to the reference decoders on the same files.
//
// The library side decodes, resamples when needed and mixes through a pulled output, all on this thread, as
// fast as it can; a second run also analyses as the player asks (one spectrum per 25 ms and a level per
// 10 ms of audio).
// The reference side runs `mpg123 -t` and `openmpt123 --render` on the same files as child processes and
// takes their user + system CPU time. Material: a 60 s VBR MP3 encoded here with lame from a synthesized
// chord, and the test module stretched to 128 order positions (about 8 minutes).
#include "TChannel.h"
#include "TConverter.h"
#include "TRing.h"
#include "TPullOutput.h"
#include "TSoundSystem.h"
#include "sndlib.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

std::string gDir;
std::string gMp3, gModule;
double gMp3Minutes = 0, gModuleMinutes = 0;
// Best (lowest) CPU seconds per minute of audio seen for each measured path.
std::map<std::string, double> gBest;

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void Record(const std::string& name, double perMinute) {
  auto it = gBest.find(name);
  if (it == gBest.end() || perMinute < it->second) gBest[name] = perMinute;
}

// Runs a command and returns the CPU seconds it (and its children) used, or -1 when it failed.
double ChildCpuSeconds(std::vector<std::string> args) {
  pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

bool MakeMaterial() {
  char pattern[] = "/tmp/sndlib-bench-XXXXXX";
  if (!mkdtemp(pattern)) return false;
  gDir = pattern;
  // 60 s of a slowly moving three-note chord, different on each side, as 16-bit stereo WAV, at 44100 Hz
  // (for the MP3 and the speed conversions) and at 48000 Hz (for the rate conversion).
  for (int rate : {44100, 48000}) {
    const int seconds = 60;
    std::string wav = gDir + (rate == 44100 ? "/chord.wav" : "/chord48.wav");
    std::ofstream out(wav, std::ios::binary);
    uint32_t frames = uint32_t(rate * seconds), bytes = frames * 4;
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(uint32_t(rate));
    u32(uint32_t(rate) * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    std::vector<int16_t> block;
    for (uint32_t i = 0; i < frames; ++i) {
      double t = double(i) / rate;
      double root = 220.0 * std::pow(2.0, std::floor(t / 2.0) / 12.0);
      double l = std::sin(2 * M_PI * root * t) + 0.5 * std::sin(2 * M_PI * root * 1.25 * t);
      double r = std::sin(2 * M_PI * root * 1.5 * t) + 0.3 * std::sin(2 * M_PI * root * 3.01 * t);
      block.push_back(int16_t(l * 9000));
      block.push_back(int16_t(r * 9000));
    }
    out.write(reinterpret_cast<const char*>(block.data()), std::streamsize(block.size() * 2));
  }
  std::string wav = gDir + "/chord.wav";
  gMp3 = gDir + "/chord.mp3";
  if (ChildCpuSeconds({"lame", "--quiet", "-V", "2", wav, gMp3}) < 0) return false;
  // The test module, its order list stretched to 128 plays of its one pattern.
  std::ifstream in(std::string(SNDLIB_TEST_DATA) + "/tune.mod", std::ios::binary);
  std::string mod((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (mod.size() < 1084) return false;
  mod[950] = char(128);
  gModule = gDir + "/long.mod";
  std::ofstream(gModule, std::ios::binary) << mod;
  return true;
}

// Plays a channel to its end through the library on this thread; returns the frames mixed.
size_t PlayThrough(sndlib::TPullOutput& pull, SND_HANDLE h, bool analyse) {
  auto channel = sndlib::FindChannel(h);
  std::vector<float> out(441 * 2);
  float bins[1024];
  size_t frames = 0;
  while (channel->State() == sndlib::TChannelState::Playing) {
    pull.Pull(out.data(), 441);
    frames += 441;
    if (!analyse) continue;
    benchmark::DoNotOptimize(snd_channel_get_level(h));
    if (frames % 1102 < 441) benchmark::DoNotOptimize(snd_channel_get_data(h, bins, SND_DATA_FFT2048));
  }
  return frames;
}

void BM_Library(benchmark::State& state, bool module, bool analyse, int freq) {
  for (auto _ : state) {
    sndlib::TPullOutput& pull = sndlib::InitPull(44100, 0, false);
    double start = ProcessCpuSeconds();
    SND_HANDLE h = module ? snd_music_load(0, gModule.c_str(), 0, 0, 0x2001)
                          : snd_stream_create_file(0, gMp3.c_str(), 0, 0, SND_STREAM_PRESCAN);
    if (!h) {
      state.SkipWithError("load failed");
      snd_free();
      break;
    }
    if (module)
      snd_music_play_ex(h, 0, -1, 1);
    else
      snd_stream_play(h, 0, 0);
    snd_channel_set_attributes(h, freq, 100, 0);
    size_t frames = PlayThrough(pull, h, analyse);
    double cpu = ProcessCpuSeconds() - start;
    snd_free();
    double minutes = double(frames) / 44100.0 / 60.0;
    state.counters["cpu_s_per_audio_min"] = cpu / minutes;
    if (freq != 44100) {
      Record(std::string("resampled ") + (module ? "module" : "mp3"), cpu / minutes);
      continue;
    }
    (module ? gModuleMinutes : gMp3Minutes) = minutes;
    Record(std::string(analyse ? "analysed " : "library ") + (module ? "module" : "mp3"), cpu / minutes);
  }
}

void BM_Reference(benchmark::State& state, bool module) {
  for (auto _ : state) {
    double cpu =
        module ? ChildCpuSeconds({"openmpt123", "--quiet", "--force", "--render", "--samplerate", "44100", gModule})
               : ChildCpuSeconds({"mpg123", "-q", "-t", gMp3});
    double minutes = module ? gModuleMinutes : gMp3Minutes;
    if (cpu < 0 || minutes <= 0) {
      state.SkipWithError("reference decoder missing or failed (run after the library case)");
      break;
    }
    state.counters["cpu_s_per_audio_min"] = cpu / minutes;
    Record(module ? "reference module" : "reference mp3", cpu / minutes);
  }
}

// The 16-bit samples of one of the chord WAVs, as float frames.
std::vector<float> ReadChord(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<float> frames((bytes.size() - 44) / 2);
  const auto* samples = reinterpret_cast<const int16_t*>(bytes.data() + 44);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = float(samples[i]) / 32768.0f;
  return frames;
}

// The library's converter alone on the whole chord: input frames per output frame `ratio`; per minute heard.
void BM_Converter(benchmark::State& state, bool from48, double ratio, const char* name) {
  std::vector<float> input = ReadChord(gDir + (from48 ? "/chord48.wav" : "/chord.wav"));
  size_t frames = input.size() / 2;
  sndlib::TRing ring(frames + 1);
  for (size_t at = 0; at < frames;) {
    size_t n = 0;
    float* to = ring.WriteRegion(frames - at, n);
    std::memcpy(to, input.data() + at * 2, n * 2 * sizeof(float));
    ring.Commit(n);
    at += n;
  }
  std::vector<float> out(8192 * 2);
  for (auto _ : state) {
    double start = ProcessCpuSeconds();
    sndlib::TConverter converter(ratio);
    converter.Prime(0.0, 0);
    size_t made = 0;
    while (size_t n = converter.Produce(ring, ring.Written(), true, out.data(), 8192)) made += n;
    double cpu = ProcessCpuSeconds() - start;
    double minutes = double(made) / 44100.0 / 60.0;
    state.counters["cpu_s_per_heard_min"] = cpu / minutes;
    Record(std::string("convert ") + name, cpu / minutes);
  }
}

// sox doing the same conversion of the same WAV (reading and writing the files included); per minute heard.
void BM_Sox(benchmark::State& state, bool from48, double speed, const char* name) {
  std::string in = gDir + (from48 ? "/chord48.wav" : "/chord.wav"), out = gDir + "/sox-out.wav";
  for (auto _ : state) {
    char factor[32];
    std::snprintf(factor, sizeof factor, "%.6f", speed);
    double cpu = from48 ? ChildCpuSeconds({"sox", in, "-r", "44100", out, "rate", "-h"})
                        : ChildCpuSeconds({"sox", in, out, "speed", factor, "rate", "-h", "44100"});
    if (cpu < 0) {
      state.SkipWithError("sox missing or failed");
      break;
    }
    double minutes = 60.0 / speed / 60.0;
    state.counters["cpu_s_per_heard_min"] = cpu / minutes;
    Record(std::string("sox ") + name, cpu / minutes);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (!MakeMaterial()) {
    std::fprintf(stderr, "sndlib bench: could not make the material (lame missing?)\n");
    return 1;
  }
  benchmark::RegisterBenchmark("library/mp3", BM_Library, false, false, 44100)
      ->Iterations(5)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("library/mp3+analysis", BM_Library, false, true, 44100)
      ->Iterations(5)
      ->Unit(benchmark::kMillisecond);
  // At 1.5 times the speed every frame goes through the resampler; costs are per minute of output.
  benchmark::RegisterBenchmark("library/mp3 at 66150 Hz", BM_Library, false, false, 66150)
      ->Iterations(5)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("reference/mpg123 -t", BM_Reference, false)
      ->Iterations(5)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("library/module", BM_Library, true, false, 44100)
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("library/module+analysis", BM_Library, true, true, 44100)
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("reference/openmpt123 --render", BM_Reference, true)
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond);
  // Rate conversion alone, the library's converter beside sox, alternating: a 48 kHz file at true speed, and
  // 44.1 kHz at speeds 1.18 and 0.5 (per minute heard).
  struct TConversion {
    const char* Name;
    bool From48;
    double Speed;
  };
  static const TConversion conversions[] = {{"48k", true, 1.0}, {"x1.18", false, 1.18}, {"x0.5", false, 0.5}};
  for (int round = 0; round < 3; ++round) {
    for (const TConversion& c : conversions) {
      double ratio = c.From48 ? 48000.0 / 44100.0 : c.Speed;
      benchmark::RegisterBenchmark((std::string("convert/library ") + c.Name).c_str(), BM_Converter, c.From48, ratio,
                                   c.Name)
          ->Iterations(1)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark((std::string("convert/sox ") + c.Name).c_str(), BM_Sox, c.From48, c.Speed, c.Name)
          ->Iterations(1)
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("\nCPU seconds per minute of audio (best run):\n");
  for (const char* kind : {"mp3", "module"}) {
    auto lib = gBest.find(std::string("library ") + kind), ref = gBest.find(std::string("reference ") + kind);
    auto all = gBest.find(std::string("analysed ") + kind);
    if (lib == gBest.end() || ref == gBest.end() || all == gBest.end()) continue;
    std::printf("  %-6s reference %.4f  library %.4f (ratio %.2f)  library with analysis %.4f (ratio %.2f)\n", kind,
                ref->second, lib->second, lib->second / ref->second, all->second, all->second / ref->second);
    auto resampled = gBest.find(std::string("resampled ") + kind);
    if (resampled != gBest.end())
      std::printf("  %-6s library at 1.5x speed, resampled %.4f per minute heard\n", kind, resampled->second);
  }
  std::printf("\nRate conversion, CPU seconds per minute heard (best run):\n");
  for (const char* name : {"48k", "x1.18", "x0.5"}) {
    auto lib = gBest.find(std::string("convert ") + name), sox = gBest.find(std::string("sox ") + name);
    if (lib == gBest.end() || sox == gBest.end()) continue;
    std::printf("  %-6s sox %.4f  library's converter %.4f (ratio %.2f)\n", name, sox->second, lib->second,
                lib->second / sox->second);
  }
  std::system(("rm -rf '" + gDir + "'").c_str());
  return 0;
}
