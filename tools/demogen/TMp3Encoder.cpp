// SPDX-License-Identifier: MIT
// MP3 encoding by running the command-line encoder on a temporary WAV file.
#include "TMp3Encoder.h"

#include "TByteWriter.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

namespace {

// Quotes `text` for the shell, so file names and titles with spaces or quotes pass through intact.
std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

}  // namespace

TMp3Encoder::TMp3Encoder(std::string command) : FCommand(std::move(command)) {}

bool TMp3Encoder::Encode(const std::vector<int16_t>& pcm, int rate, const std::string& path, const std::string& title,
                         std::string& error) const {
  // The PCM goes to the encoder as a WAV file beside the output: a pipe of raw samples is not
  // read reliably by every build of the encoder.
  std::string wave = path + ".tmp.wav";
  TByteWriter out;
  auto dataBytes = static_cast<uint32_t>(pcm.size() * sizeof(int16_t));
  out.Text("RIFF", 4);
  out.U32LE(36 + dataBytes);
  out.Text("WAVEfmt ", 8);
  out.U32LE(16);
  out.U16LE(1);  // integer PCM
  out.U16LE(2);
  out.U32LE(static_cast<uint32_t>(rate));
  out.U32LE(static_cast<uint32_t>(rate * 4));
  out.U16LE(4);
  out.U16LE(16);
  out.Text("data", 4);
  out.U32LE(dataBytes);
  for (int16_t v : pcm) out.U16LE(v);
  if (!out.SaveToFile(wave)) {
    error = "cannot write " + wave;
    return false;
  }
  // Joint stereo at a variable bit rate that averages about 120 kbit/s on this material.
  std::string command = Quote(FCommand) + " --quiet -m j -V 6 --noreplaygain --tt " + Quote(title) + " --ta " +
                        Quote("mira.nol") + " --tl " + Quote("Demo collection") + " " + Quote(wave) + " " + Quote(path);
  int status = std::system(command.c_str());
  std::remove(wave.c_str());
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error = "the MP3 encoder (" + FCommand + ") failed on " + path;
    return false;
  }
  return true;
}
