// Prints the speed of the LPC-10 voice coder as a multiple of real time and
// the cost of one sound-system pass with 16 and with 200 listed objects.
// Runs on OpenAL Soft's null output unless ALSOFT_DRIVERS says otherwise.
#include "audio/sfx.h"
#include "audio/voicecodec.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Voiced bursts (a 120 Hz pulse train through a crude resonance) separated
// by pauses: close enough to speech for the coder's cost.
std::vector<int16_t> speechLikeSamples(size_t count) {
  std::vector<int16_t> samples(count);
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0, 300);
  double resonance = 0, previous = 0;
  for (size_t i = 0; i < count; ++i) {
    const bool voiced = (i / 2400) % 3 != 2;
    const double excitation = voiced ? ((i % 67) == 0 ? 12000.0 : 0.0) : noise(random);
    const double next = excitation + 1.6 * resonance - 0.8 * previous;
    previous = resonance;
    resonance = next;
    samples[i] = int16_t(std::max(-32767.0, std::min(32767.0, resonance)));
  }
  return samples;
}

void benchCodec() {
  constexpr double Seconds = 60;
  const auto speech = speechLikeSamples(size_t(Seconds * 8000));
  TNL::RefPtr<LPC10VoiceEncoder> encoder = new LPC10VoiceEncoder;
  TNL::RefPtr<LPC10VoiceDecoder> decoder = new LPC10VoiceDecoder;

  TNL::ByteBuffer pending(reinterpret_cast<const uint8_t *>(speech.data()), speech.size() * 2);
  auto start = Clock::now();
  TNL::ByteBufferPtr coded = encoder->compressBuffer(pending);
  const double encodeTime = secondsSince(start);

  start = Clock::now();
  TNL::ByteBufferPtr decoded = decoder->decompressBuffer(*coded);
  const double decodeTime = secondsSince(start);

  std::printf("LPC-10 encode: %.0f s of speech in %.3f s = %.0fx real time (%zu bytes)\n", Seconds,
              encodeTime, Seconds / encodeTime, coded->getBufferSize());
  std::printf("LPC-10 decode: %.0f s of speech in %.3f s = %.0fx real time (%zu samples)\n", Seconds,
              decodeTime, Seconds / decodeTime, decoded->getBufferSize() / 2);
}

void benchProcessSound(int objectCount) {
  constexpr int Passes = 5000;
  constexpr uint32_t PositionedLoop = 16;
  std::mt19937 random(objectCount);
  std::uniform_real_distribution<float> place(-600, 600);
  std::vector<SFXObjectPtr> objects;
  for (int i = 0; i < objectCount; ++i) {
    objects.push_back(new SFXObject(PositionedLoop, nullptr, 1.0f, {place(random), place(random)}, {}));
    objects.back()->play();
  }
  processSound();

  auto start = Clock::now();
  for (int pass = 0; pass < Passes; ++pass)
    processSound();
  const double still = secondsSince(start);

  // Every object moves each pass, so the ranking changes.
  std::uniform_real_distribution<float> step(-20, 20);
  double moving = 0;
  for (int pass = 0; pass < Passes; ++pass) {
    for (SFXObjectPtr &object : objects) {
      SFXPoint at = object->getPosition();
      object->setPosition({at.x + step(random), at.y + step(random)});
    }
    start = Clock::now();
    processSound();
    moving += secondsSince(start);
  }
  std::printf("processSound, %3d listed objects: %.1f us per pass (still), %.1f us per pass (all moving)\n",
              objectCount, still / Passes * 1e6, moving / Passes * 1e6);
  for (SFXObjectPtr &object : objects)
    object->setPosition({1e6f, 1e6f});
}

} // namespace

int main() {
  setenv("ALSOFT_DRIVERS", "null", 0);
  benchCodec();

  std::filesystem::current_path(std::filesystem::path(SW_SFX_DIR).parent_path());
  startSound();
  if (!isSoundValid()) {
    std::fprintf(stderr, "audio_bench: the sound system did not start\n");
    return 1;
  }
  benchProcessSound(16);
  benchProcessSound(200);
  stopSound();
  return 0;
}
