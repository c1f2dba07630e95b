// SPDX-License-Identifier: MIT
// TModuleSource: tracker modules of every format the module decoder reads, rendered at the output rate.
#include "TModuleSource.h"

#include "TError.h"
#include "sndlib.h"

#include <libopenmpt/libopenmpt.h>

#include <cctype>
#include <cstring>

namespace sndlib {

// True when the bytes carry the signature of a common module format: a file that does and still fails to
// load is a broken module rather than something else entirely. The decoder's own prober cannot tell the
// two apart, because it validates the same header fields the loader does.
static bool LooksLikeModule(const std::vector<uint8_t>& data) {
  auto at = [&](size_t offset, const char* tag) {
    size_t n = std::strlen(tag);
    return data.size() >= offset + n && std::memcmp(data.data() + offset, tag, n) == 0;
  };
  if (at(0, "Extended Module: ") || at(0, "IMPM") || at(0, "MO3") || at(44, "SCRM")) return true;
  for (const char* tag : {"M.K.", "M!K!", "FLT4", "FLT8", "4CHN", "6CHN", "8CHN", "CD81", "OKTA", "OCTA"})
    if (at(1080, tag)) return true;
  return data.size() >= 1084 && std::memcmp(data.data() + 1082, "CH", 2) == 0 && std::isdigit(data[1080]) &&
         std::isdigit(data[1081]);
}

static openmpt_module* Open(const std::vector<uint8_t>& data, bool ramping) {
  if (data.empty()) Fail(SND_ERROR_FILE_FORMAT);
  int error = 0;
  const char* message = nullptr;
  openmpt_module* module =
      openmpt_module_create_from_memory2(data.data(), data.size(), openmpt_log_func_silent, nullptr,
                                         openmpt_error_func_ignore, nullptr, &error, &message, nullptr);
  openmpt_free_string(message);
  if (!module) {
    if (error == OPENMPT_ERROR_OUT_OF_MEMORY) Fail(SND_ERROR_MEM);
    Fail(LooksLikeModule(data) ? SND_ERROR_FILE_CORRUPT : SND_ERROR_FILE_FORMAT);
  }
  // Dithering draws random numbers, so the same module would never render twice the same.
  openmpt_module_ctl_set_integer(module, "dither", 0);
  openmpt_module_ctl_set_text(module, "play.at_end", "stop");
  // -1 is the decoder's own default ramping; 0 switches it off.
  openmpt_module_set_render_param(module, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH, ramping ? -1 : 0);
  return module;
}

std::unique_ptr<TModuleSource> TModuleSource::Create(std::vector<uint8_t> data, int rate, bool ramping) {
  openmpt_module* module = Open(data, ramping);
  return std::unique_ptr<TModuleSource>(new TModuleSource(std::move(data), module, rate, ramping));
}

TModuleSource::TModuleSource(std::vector<uint8_t> data, openmpt_module* module, int rate, bool ramping)
    : FData(std::move(data)), FModule(module), FRate(rate), FRamping(ramping) {}

TModuleSource::~TModuleSource() { openmpt_module_destroy(FModule); }

size_t TModuleSource::Read(float* out, size_t frames) {
  return openmpt_module_read_interleaved_float_stereo(FModule, FRate, frames, out);
}

bool TModuleSource::Restart(uint32_t position) {
  if (position >= OrderCount()) return false;
  // A fresh module is the only way to be sure every channel, tempo and effect memory starts clean.
  openmpt_module* fresh = Open(FData, FRamping);
  openmpt_module_destroy(FModule);
  FModule = fresh;
  if (position > 0) openmpt_module_set_position_order_row(FModule, int32_t(position), 0);
  return true;
}

void TModuleSource::SetRamping(bool ramping) {
  FRamping = ramping;
  openmpt_module_set_render_param(FModule, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH, ramping ? -1 : 0);
}

uint32_t TModuleSource::OrderCount() const { return uint32_t(openmpt_module_get_num_orders(FModule)); }

double TModuleSource::DurationSeconds() const { return openmpt_module_get_duration_seconds(FModule); }

}  // namespace sndlib
