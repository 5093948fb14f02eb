// Static Huffman coding of string text. The code is built once, at first
// use, from HuffmanTable (256 counts by byte value); both ends build the same
// tree, so the table is protocol data and must never change.
//
// Compressed text layout:
//   1 bit   1 = Huffman codes follow, 0 = raw bytes follow
//   8 bits  n, the byte count (0..255)
//   ...     n Huffman codes (first step of each code first) or n raw bytes
// Huffman is used when the codes total fewer than 8n bits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace TNL {

class BitStream;

namespace HuffmanStringProcessor {

extern const uint32_t HuffmanTable[256];

// Writes at most maxLength bytes of text (callers keep texts within it).
void writeHuffBuffer(BitStream &stream, const uint8_t *text, size_t length, size_t maxLength);
// Reads into out (room for maxLength bytes) and returns the count; a count
// above maxLength or a read past the end marks the stream invalid.
size_t readHuffBuffer(BitStream &stream, uint8_t *out, size_t maxLength);

// Code of one byte value: bit 0 is the first step from the root.
uint64_t codeOf(uint8_t byte);
unsigned codeLengthOf(uint8_t byte);

} // namespace HuffmanStringProcessor
} // namespace TNL
