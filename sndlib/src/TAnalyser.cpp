// SPDX-License-Identifier: MIT
// TAnalyser: levels and spectrum of what a channel sounds like at the moment it is heard.
#include "TAnalyser.h"

#include "TChannel.h"

#include <fftw3.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <vector>

namespace sndlib {

namespace {

// Making the first plan, the transform library's planner looks at every one of its hundreds of codelets
// once, which brings its whole code (about 1.8 MB) into memory, though a 2048-point transform runs only a
// few of them. Those pages are let go again: they are read-only file pages, so the few that run come back
// from the page cache at their first use.
int DropExecutablePages(dl_phdr_info* info, size_t, void* address) {
  uintptr_t wanted = reinterpret_cast<uintptr_t>(address);
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    if (segment.p_type != PT_LOAD || wanted < start || wanted >= start + segment.p_memsz) continue;
    if (!(segment.p_flags & PF_X)) return 0;
    uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    uintptr_t from = start / page * page;
    uintptr_t to = (start + segment.p_memsz + page - 1) / page * page;
    madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
    return 1;
  }
  return 0;
}

void ReleasePlannerPages() { dl_iterate_phdr(DropExecutablePages, reinterpret_cast<void*>(&fftwf_execute_dft_r2c)); }

// The plan is made once; executing it on fresh arrays is safe from any number of threads, planning is not.
struct TFftPlan {
  fftwf_plan Plan = nullptr;
  std::vector<float> Window;
  float Scale = 0.0f;

  TFftPlan() {
    float* in = fftwf_alloc_real(TAnalyser::kFftSize);
    fftwf_complex* out = fftwf_alloc_complex(TAnalyser::kBins + 1);
    Plan = fftwf_plan_dft_r2c_1d(TAnalyser::kFftSize, in, out, FFTW_ESTIMATE);
    fftwf_free(in);
    fftwf_free(out);
    ReleasePlannerPages();
    Window.resize(TAnalyser::kFftSize);
    double sum = 0.0;
    for (int i = 0; i < TAnalyser::kFftSize; ++i) {
      Window[size_t(i)] = float(0.5 - 0.5 * std::cos(2.0 * M_PI * i / TAnalyser::kFftSize));
      sum += Window[size_t(i)];
    }
    // A sine of amplitude A centred on a bin gives A * sum(window) / 2 there: scale that to A.
    Scale = float(2.0 / sum);
  }
};

const TFftPlan& Plan() {
  // Made on first use and kept for the life of the process, so no thread still asking for a spectrum
  // while the process ends can find it destroyed.
  static const TFftPlan* plan = new TFftPlan();
  return *plan;
}

}  // namespace

void TAnalyser::Prepare() { Plan(); }

uint32_t TAnalyser::Level(const TChannel& channel, int64_t heard, int rate) {
  size_t frames = size_t(std::max(1, rate / 50));
  float peak[2];
  channel.PeakOfHistory(heard, frames, peak);
  auto percent = [](float p) { return uint32_t(std::min(65534.0f, std::round(p * 100.0f))); };
  return percent(peak[0]) | (percent(peak[1]) << 16);
}

void TAnalyser::Spectrum(const TChannel& channel, int64_t heard, float* out) {
  const TFftPlan& plan = Plan();
  // Work arrays per calling thread, aligned as the plan wants, made once: the display asks 40 times a
  // second.
  struct TWork {
    float* Stereo = static_cast<float*>(fftwf_malloc(sizeof(float) * kFftSize * 2));
    float* In = fftwf_alloc_real(kFftSize);
    fftwf_complex* Out = fftwf_alloc_complex(kBins + 1);
    ~TWork() {
      fftwf_free(Stereo);
      fftwf_free(In);
      fftwf_free(Out);
    }
  };
  thread_local TWork work;
  if (!work.Stereo || !work.In || !work.Out || !plan.Plan) throw std::bad_alloc();
  channel.ReadHistory(heard, kFftSize, work.Stereo);
  const float* window = plan.Window.data();
  for (int i = 0; i < kFftSize; ++i) work.In[i] = 0.5f * (work.Stereo[i * 2] + work.Stereo[i * 2 + 1]) * window[i];
  fftwf_execute_dft_r2c(plan.Plan, work.In, work.Out);
  for (int k = 0; k < kBins; ++k) {
    float re = work.Out[k][0];
    float im = work.Out[k][1];
    out[k] = std::sqrt(re * re + im * im) * plan.Scale;
  }
}

}  // namespace sndlib
