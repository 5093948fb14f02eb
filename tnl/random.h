// The transport's random source: nonces, initial sequence numbers, the
// interface secret and simulated packet loss all draw from it. The default is
// libtomcrypt's Fortuna generator seeded from the system; tests install a
// seeded source so handshakes are reproducible.
#pragma once

#include <cstddef>
#include <cstdint>

namespace TNL {

class RandomSource {
public:
  virtual ~RandomSource() = default;
  virtual void readBytes(uint8_t *out, size_t count) = 0;
};

// A small deterministic generator (xorshift64*) for tests and benchmarks.
class SeededRandomSource : public RandomSource {
public:
  explicit SeededRandomSource(uint64_t seed) : mState(seed ? seed : 0x9E3779B97F4A7C15ull) {}
  void readBytes(uint8_t *out, size_t count) override;

private:
  uint64_t next();
  uint64_t mState;
};

namespace Random {

void read(void *out, size_t count);
// 32 random bits.
uint32_t readI();
// Uniform in [0, 1).
float readF();
// The source stays owned by the caller; nullptr restores the default.
void setSource(RandomSource *source);

} // namespace Random
} // namespace TNL
