// SPDX-License-Identifier: MIT
// TError: the library's failure type and the calling thread's last error code.
#pragma once

#include <cstdint>

namespace sndlib {

// Thrown inside the library only; every entry point catches it and records its code for the caller.
struct TError {
  int32_t Code;
};

[[noreturn]] inline void Fail(int32_t code) { throw TError{code}; }

void SetLastError(int32_t code);
int32_t LastError();

}  // namespace sndlib
