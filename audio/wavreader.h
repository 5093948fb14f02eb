// Reader for RIFF/WAVE files holding PCM samples, the format of the sound
// effect files. Every size read from a file is checked against the bytes
// actually present, so truncated or lying files yield an error or the samples
// that are really there, never a read past the file or the allocation.
#pragma once

#include <AL/al.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct WavData {
  // One of AL_FORMAT_MONO8, AL_FORMAT_MONO16, AL_FORMAT_STEREO8, AL_FORMAT_STEREO16.
  ALenum format = AL_FORMAT_MONO16;
  // The samples followed by WavPaddingBytes zero bytes; empty until a "data"
  // chunk after a PCM "fmt " chunk was read.
  std::unique_ptr<uint8_t[]> data;
  // Bytes of samples in data, always a whole number of sample frames.
  uint32_t size = 0;
  // Samples per second.
  uint32_t frequency = 22050;
  // The file's "smpl" chunk names at least one loop.
  bool loop = false;
  // Why the file was refused; empty after a successful read.
  std::string error;
};

// Zeroed bytes kept behind the samples, so code that reads a little ahead of
// the last sample frame stays inside the allocation.
constexpr uint32_t WavPaddingBytes = 31;

// Files beyond this size are refused unread (bytes); the effects are a few
// hundred kilobytes at most.
constexpr size_t WavMaxFileBytes = 64u << 20;

// Parses a whole RIFF/WAVE image. Returns true when PCM samples were found;
// otherwise wav.error says why and wav.data stays empty.
bool parseWav(const uint8_t *bytes, size_t length, WavData &wav);

// Reads and parses the file at path; a missing or unreadable file is an error.
bool readWavFile(const std::string &path, WavData &wav);
