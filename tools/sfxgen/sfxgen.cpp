// Synthesizes the station's sound effects from a text recipe file (see
// media/sfx/sounds.txt for the format) into 16-bit mono PCM WAV files.
//
//   sfxgen <recipes.txt> <output directory>
//
// Exits with 1 and a message naming the line on any malformed recipe.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr uint32_t SampleRate = 22050;
constexpr double Pi = 3.14159265358979323846;
// Fade at both ends of every segment against clicks (seconds).
constexpr double EdgeFade = 0.003;
constexpr double MaxSegmentSeconds = 5.0;

enum class Wave { Sine, Square, Saw, Triangle, Noise };

struct Segment {
  Wave wave = Wave::Sine;
  double seconds = 0;
  double startHz = 0;
  double endHz = 0;
  double decay = 0; // per second
  double vibratoHz = 0;
  double vibratoDepth = 0; // fraction of the pitch
  double gain = 1;
};

struct Recipe {
  std::string fileName;
  bool loop = false;
  std::vector<Segment> segments;
};

Wave parseWave(const std::string &word) {
  if (word == "sine")
    return Wave::Sine;
  if (word == "square")
    return Wave::Square;
  if (word == "saw")
    return Wave::Saw;
  if (word == "triangle")
    return Wave::Triangle;
  if (word == "noise")
    return Wave::Noise;
  throw std::runtime_error("unknown wave '" + word + "'");
}

double readNumber(std::istringstream &in, const char *what, double low, double high) {
  std::string word;
  if (!(in >> word))
    throw std::runtime_error(std::string("missing ") + what);
  size_t used = 0;
  double value = 0;
  try {
    value = std::stod(word, &used);
  } catch (const std::exception &) {
    used = 0;
  }
  if (used != word.size() || !(value >= low && value <= high))
    throw std::runtime_error(std::string("bad ") + what + " '" + word + "'");
  return value;
}

Segment parseSegment(const std::string &text) {
  std::istringstream in(text);
  std::string word;
  if (!(in >> word))
    throw std::runtime_error("empty segment");
  Segment segment;
  segment.wave = parseWave(word);
  segment.seconds = readNumber(in, "duration", 0.001, MaxSegmentSeconds);
  segment.startHz = readNumber(in, "pitch", 0, SampleRate / 2.0);
  segment.endHz = segment.startHz;
  while (in >> word) {
    if (word == "to")
      segment.endHz = readNumber(in, "target pitch", 0, SampleRate / 2.0);
    else if (word == "decay")
      segment.decay = readNumber(in, "decay", 0, 1000);
    else if (word == "vibrato") {
      segment.vibratoHz = readNumber(in, "vibrato rate", 0, 1000);
      segment.vibratoDepth = readNumber(in, "vibrato depth", 0, 1);
    } else if (word == "gain")
      segment.gain = readNumber(in, "gain", 0, 1);
    else
      throw std::runtime_error("unknown word '" + word + "'");
  }
  return segment;
}

Recipe parseRecipe(const std::string &line) {
  std::istringstream in(line);
  Recipe recipe;
  in >> recipe.fileName;
  if (recipe.fileName.size() < 5 || recipe.fileName.find('/') != std::string::npos ||
      recipe.fileName.compare(recipe.fileName.size() - 4, 4, ".wav") != 0)
    throw std::runtime_error("file name must be a plain name ending in .wav");
  std::string rest;
  std::getline(in, rest);
  std::istringstream first(rest);
  std::string word;
  if (first >> word && word == "loop") {
    recipe.loop = true;
    rest = rest.substr(rest.find("loop") + 4);
  }
  std::istringstream pieces(rest);
  std::string piece;
  while (std::getline(pieces, piece, ';'))
    recipe.segments.push_back(parseSegment(piece));
  if (recipe.segments.empty())
    throw std::runtime_error("no segments");
  return recipe;
}

double waveValue(Wave wave, double phase, uint32_t &noiseState) {
  const double cycle = phase - std::floor(phase);
  switch (wave) {
  case Wave::Sine:
    return std::sin(2 * Pi * cycle);
  case Wave::Square:
    return cycle < 0.5 ? 1.0 : -1.0;
  case Wave::Saw:
    return 2 * cycle - 1;
  case Wave::Triangle:
    return cycle < 0.5 ? 4 * cycle - 1 : 3 - 4 * cycle;
  case Wave::Noise:
    // A fixed linear congruential sequence: the files are the same every build.
    noiseState = noiseState * 1664525u + 1013904223u;
    return double(noiseState >> 8) / double(1u << 23) - 1.0;
  }
  return 0;
}

void render(const Segment &segment, std::vector<int16_t> &out, uint32_t &noiseState) {
  const size_t count = size_t(segment.seconds * SampleRate);
  const size_t fade = std::max<size_t>(1, size_t(EdgeFade * SampleRate));
  double phase = 0;
  for (size_t i = 0; i < count; ++i) {
    const double t = double(i) / SampleRate;
    const double progress = double(i) / double(count);
    double hz = segment.startHz + (segment.endHz - segment.startHz) * progress;
    hz *= 1 + segment.vibratoDepth * std::sin(2 * Pi * segment.vibratoHz * t);
    phase += hz / SampleRate;
    double envelope = segment.gain * std::exp(-segment.decay * t);
    envelope *= std::min(1.0, std::min(double(i) / fade, double(count - 1 - i) / fade));
    const double value = waveValue(segment.wave, phase, noiseState) * envelope;
    out.push_back(int16_t(std::lround(std::max(-1.0, std::min(1.0, value)) * 32767)));
  }
}

void putLe16(std::string &out, uint32_t value) {
  out.push_back(char(value & 0xff));
  out.push_back(char((value >> 8) & 0xff));
}

void putLe32(std::string &out, uint32_t value) {
  putLe16(out, value & 0xffff);
  putLe16(out, value >> 16);
}

void putChunkHeader(std::string &out, const char *id, uint32_t size) {
  out.append(id, 4);
  putLe32(out, size);
}

// Sampler chunk with one forward loop over the whole sound.
void putSamplerChunk(std::string &out, uint32_t sampleCount) {
  putChunkHeader(out, "smpl", 60);
  putLe32(out, 0);                        // manufacturer
  putLe32(out, 0);                        // product
  putLe32(out, 1000000000u / SampleRate); // nanoseconds per sample
  putLe32(out, 60);                       // MIDI unity note
  putLe32(out, 0);                        // pitch fraction
  putLe32(out, 0);                        // SMPTE format
  putLe32(out, 0);                        // SMPTE offset
  putLe32(out, 1);                        // loop count
  putLe32(out, 0);                        // sampler data bytes
  putLe32(out, 0);                        // loop identifier
  putLe32(out, 0);                        // forward loop
  putLe32(out, 0);                        // first sample
  putLe32(out, sampleCount - 1);          // last sample
  putLe32(out, 0);                        // fraction
  putLe32(out, 0);                        // play count: endless
}

std::string encodeWav(const std::vector<int16_t> &samples, bool loop) {
  std::string body = "WAVE";
  putChunkHeader(body, "fmt ", 16);
  putLe16(body, 1); // PCM
  putLe16(body, 1); // mono
  putLe32(body, SampleRate);
  putLe32(body, SampleRate * 2);
  putLe16(body, 2);
  putLe16(body, 16);
  if (loop)
    putSamplerChunk(body, uint32_t(samples.size()));
  putChunkHeader(body, "data", uint32_t(samples.size() * 2));
  for (int16_t sample : samples)
    putLe16(body, uint16_t(sample));
  std::string file;
  putChunkHeader(file, "RIFF", uint32_t(body.size()));
  return file + body;
}

void writeSound(const Recipe &recipe, const std::string &directory) {
  std::vector<int16_t> samples;
  uint32_t noiseState = 0x5eed;
  for (const Segment &segment : recipe.segments)
    render(segment, samples, noiseState);
  const std::string path = directory + "/" + recipe.fileName;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::string bytes = encodeWav(samples, recipe.loop);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + path);
}

bool isBlankOrComment(const std::string &line) {
  const size_t first = line.find_first_not_of(" \t\r");
  return first == std::string::npos || line[first] == '#';
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::cerr << "usage: sfxgen <recipes.txt> <output directory>\n";
    return 1;
  }
  std::ifstream recipes(argv[1]);
  if (!recipes) {
    std::cerr << "sfxgen: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::string line;
  int lineNumber = 0;
  int written = 0;
  while (std::getline(recipes, line)) {
    ++lineNumber;
    if (isBlankOrComment(line))
      continue;
    try {
      writeSound(parseRecipe(line), argv[2]);
      ++written;
    } catch (const std::exception &error) {
      std::cerr << argv[1] << ":" << lineNumber << ": " << error.what() << "\n";
      return 1;
    }
  }
  std::cout << "sfxgen: wrote " << written << " sounds to " << argv[2] << "\n";
  return 0;
}
