#include "random.h"

#include <tomcrypt.h>

#include <cstring>

namespace TNL {
namespace {

class FortunaSource : public RandomSource {
public:
  FortunaSource() {
    if (fortuna_start(&mState) != CRYPT_OK)
      return;
    unsigned char seed[64];
    unsigned long got = rng_get_bytes(seed, sizeof seed, nullptr);
    fortuna_add_entropy(seed, got, &mState);
    mReady = fortuna_ready(&mState) == CRYPT_OK;
  }
  ~FortunaSource() override { fortuna_done(&mState); }

  void readBytes(uint8_t *out, size_t count) override {
    unsigned long got = mReady ? fortuna_read(out, count, &mState) : 0;
    if (got < count)
      rng_get_bytes(out + got, count - got, nullptr);
  }

private:
  prng_state mState{};
  bool mReady = false;
};

RandomSource *gOverride = nullptr;

RandomSource &source() {
  if (gOverride)
    return *gOverride;
  static FortunaSource fortuna;
  return fortuna;
}

} // namespace

uint64_t SeededRandomSource::next() {
  mState ^= mState >> 12;
  mState ^= mState << 25;
  mState ^= mState >> 27;
  return mState * 0x2545F4914F6CDD1Dull;
}

void SeededRandomSource::readBytes(uint8_t *out, size_t count) {
  while (count) {
    uint64_t value = next();
    size_t n = count < sizeof value ? count : sizeof value;
    std::memcpy(out, &value, n);
    out += n;
    count -= n;
  }
}

namespace Random {

void read(void *out, size_t count) {
  source().readBytes(static_cast<uint8_t *>(out), count);
}

uint32_t readI() {
  uint32_t value;
  read(&value, sizeof value);
  return value;
}

float readF() {
  return float(readI() >> 8) / float(1u << 24);
}

void setSource(RandomSource *replacement) {
  gOverride = replacement;
}

} // namespace Random
} // namespace TNL
