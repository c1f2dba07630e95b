// SPDX-License-Identifier: MIT
// Encodes 16-bit stereo PCM to an MP3 file with the command-line encoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TMp3Encoder {
public:
  // `command` is the encoder program, normally "lame".
  explicit TMp3Encoder(std::string command);

  // Encodes interleaved stereo `pcm` at `rate` Hz to `path`, tagging it with `title`.
  // False, with `error` set, when the encoder cannot be started or fails.
  bool Encode(const std::vector<int16_t>& pcm, int rate, const std::string& path, const std::string& title,
              std::string& error) const;

private:
  std::string FCommand;
};
