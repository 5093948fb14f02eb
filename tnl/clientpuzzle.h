// The handshake's client puzzle and the server's puzzle state.
//
// A solution s is valid when the first d bits of
//   SHA-256( s (4 bytes, MSB first) | identity (4 bytes, MSB first)
//            | client nonce (8) | server nonce (8) )
// are zero, d being the difficulty (17 here, never above 26).
#pragma once

#include <cstdint>
#include <cstring>
#include <unordered_set>

namespace TNL {

struct Address;

struct Nonce {
  static constexpr size_t Size = 8;
  uint8_t data[Size] = {};

  void randomize();
  void clear() { std::memset(data, 0, Size); }
  bool operator==(const Nonce &other) const { return std::memcmp(data, other.data, Size) == 0; }
  bool operator!=(const Nonce &other) const { return !(*this == other); }
};

class ClientPuzzleManager {
public:
  static constexpr uint32_t PuzzleDifficulty = 17;
  static constexpr uint32_t MaxPuzzleDifficulty = 26;
  static constexpr uint32_t NonceRefreshTime = 30000; // milliseconds
  static constexpr uint32_t SolutionsPerBatch = 50000;
  static constexpr uint32_t MaxSolveTimePerCall = 30; // milliseconds

  enum Result {
    Success,
    InvalidSolution,
    InvalidServerNonce,
    InvalidDifficulty,
    AlreadySolved,
  };

  explicit ClientPuzzleManager(uint32_t now);

  // Rotates the nonces once per 30 s elapsed since the last rotation.
  void tick(uint32_t now);
  const Nonce &getCurrentNonce() const { return mCurrent.nonce; }
  uint32_t getDifficulty() const { return PuzzleDifficulty; }
  // Checks and, on success, records the solution as used for its nonce.
  Result checkSolution(uint32_t solution, const Nonce &clientNonce, const Nonce &serverNonce,
                       uint32_t difficulty, uint32_t clientIdentity);

  static bool checkOneSolution(uint32_t solution, const Nonce &clientNonce, const Nonce &serverNonce,
                               uint32_t difficulty, uint32_t clientIdentity);
  // Tries batches of 50000 values from *solution on; stops after a batch once
  // more than 30 ms have passed since the call began. True when *solution
  // now holds a valid value; otherwise *solution is the next value to try.
  static bool solvePuzzle(uint32_t *solution, const Nonce &clientNonce, const Nonce &serverNonce,
                          uint32_t difficulty, uint32_t clientIdentity);
  // First 32 bits of SHA-256(address record | client nonce | 12-byte secret).
  static uint32_t computeClientIdentity(const Address &address, const Nonce &clientNonce,
                                        const uint8_t secret[12]);

private:
  struct NonceTable {
    Nonce nonce;
    std::unordered_set<uint64_t> usedSolutions; // solution << 32 | identity
  };
  NonceTable mCurrent;
  NonceTable mLast;
  uint32_t mLastRotation;
};

} // namespace TNL
