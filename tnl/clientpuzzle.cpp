#include "clientpuzzle.h"

#include "netsocket.h"
#include "random.h"

#include <tomcrypt.h>

namespace TNL {
namespace {

void putBigEndian(uint8_t *out, uint32_t value) {
  out[0] = uint8_t(value >> 24);
  out[1] = uint8_t(value >> 16);
  out[2] = uint8_t(value >> 8);
  out[3] = uint8_t(value);
}

bool leadingBitsZero(const uint8_t *digest, uint32_t bits) {
  uint32_t index = 0;
  for (; bits >= 8; bits -= 8)
    if (digest[index++])
      return false;
  return bits == 0 || (digest[index] >> (8 - bits)) == 0;
}

} // namespace

void Nonce::randomize() {
  Random::read(data, Size);
}

ClientPuzzleManager::ClientPuzzleManager(uint32_t now) : mLastRotation(now) {
  mCurrent.nonce.randomize();
  mLast.nonce.randomize();
}

void ClientPuzzleManager::tick(uint32_t now) {
  for (int rotations = 0; rotations < 2 && now - mLastRotation >= NonceRefreshTime; ++rotations) {
    mLastRotation += NonceRefreshTime;
    std::swap(mLast, mCurrent);
    mCurrent.usedSolutions.clear();
    mCurrent.nonce.randomize();
  }
  if (now - mLastRotation >= NonceRefreshTime)
    mLastRotation = now;
}

ClientPuzzleManager::Result ClientPuzzleManager::checkSolution(uint32_t solution, const Nonce &clientNonce,
                                                               const Nonce &serverNonce, uint32_t difficulty,
                                                               uint32_t clientIdentity) {
  if (difficulty != PuzzleDifficulty)
    return InvalidDifficulty;
  NonceTable *table = serverNonce == mCurrent.nonce ? &mCurrent
                      : serverNonce == mLast.nonce  ? &mLast
                                                    : nullptr;
  if (!table)
    return InvalidServerNonce;
  if (!checkOneSolution(solution, clientNonce, serverNonce, difficulty, clientIdentity))
    return InvalidSolution;
  uint64_t key = (uint64_t(solution) << 32) | clientIdentity;
  if (!table->usedSolutions.insert(key).second)
    return AlreadySolved;
  return Success;
}

bool ClientPuzzleManager::checkOneSolution(uint32_t solution, const Nonce &clientNonce,
                                           const Nonce &serverNonce, uint32_t difficulty,
                                           uint32_t clientIdentity) {
  uint8_t input[8 + 2 * Nonce::Size];
  putBigEndian(input, solution);
  putBigEndian(input + 4, clientIdentity);
  std::memcpy(input + 8, clientNonce.data, Nonce::Size);
  std::memcpy(input + 8 + Nonce::Size, serverNonce.data, Nonce::Size);
  uint8_t digest[32];
  hash_state state;
  sha256_init(&state);
  sha256_process(&state, input, sizeof input);
  sha256_done(&state, digest);
  return leadingBitsZero(digest, difficulty);
}

bool ClientPuzzleManager::solvePuzzle(uint32_t *solution, const Nonce &clientNonce, const Nonce &serverNonce,
                                      uint32_t difficulty, uint32_t clientIdentity) {
  uint32_t start = Platform::getRealMilliseconds();
  uint32_t candidate = *solution;
  for (;;) {
    for (uint32_t i = 0; i < SolutionsPerBatch; ++i, ++candidate) {
      if (checkOneSolution(candidate, clientNonce, serverNonce, difficulty, clientIdentity)) {
        *solution = candidate;
        return true;
      }
    }
    if (Platform::getRealMilliseconds() - start > MaxSolveTimePerCall) {
      *solution = candidate;
      return false;
    }
  }
}

uint32_t ClientPuzzleManager::computeClientIdentity(const Address &address, const Nonce &clientNonce,
                                                    const uint8_t secret[12]) {
  uint8_t input[20 + Nonce::Size + 12];
  address.getRecord(input);
  std::memcpy(input + 20, clientNonce.data, Nonce::Size);
  std::memcpy(input + 20 + Nonce::Size, secret, 12);
  uint8_t digest[32];
  hash_state state;
  sha256_init(&state);
  sha256_process(&state, input, sizeof input);
  sha256_done(&state, digest);
  return (uint32_t(digest[0]) << 24) | (uint32_t(digest[1]) << 16) | (uint32_t(digest[2]) << 8) | digest[3];
}

} // namespace TNL
