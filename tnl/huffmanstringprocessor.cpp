#include "huffmanstringprocessor.h"

#include "tnlbitstream.h"

#include <cassert>
#include <vector>

namespace TNL {
namespace HuffmanStringProcessor {

const uint32_t HuffmanTable[256] = {
    0,    0,    0,    0,    0,    0,    0,   0,   0,   329,  21,  0,   0,    0,   0,    0,    // 0
    0,    0,    0,    0,    0,    0,    0,   0,   0,   0,    0,   0,   0,    0,   0,    0,    // 16
    2809, 68,   0,    27,   0,    58,   3,   62,  4,   7,    0,   0,   15,   65,  554,  3,    // 32
    394,  404,  189,  117,  30,   51,   27,  15,  34,  32,   80,  1,   142,  3,   142,  39,   // 48
    0,    144,  125,  44,   122,  275,  70,  135, 61,  127,  8,   12,  113,  246, 122,  36,   // 64
    185,  1,    149,  309,  335,  12,   11,  14,  54,  151,  0,   0,   2,    0,   0,    211,  // 80
    0,    2090, 344,  736,  993,  2872, 701, 605, 646, 1552, 328, 305, 1240, 735, 1533, 1713, // 96
    562,  3,    1775, 1149, 1469, 979,  407, 553, 59,  279,  31,  0,   0,    0,   68,   0,    // 112
    0,    0,    0,    0,    0,    0,    0,   0,   0,   0,    0,   0,   0,    0,   0,    0,    // 128
    0,    0,    0,    0,    0,    0,    0,   0,   0,   0,    0,   0,   0,    0,   0,    0,    // 144
    0,    0,    0,    0,    0,    0,    0,   0,   0,   0,    0,   0,   0,    0,   0,    0,    // 160
    0,    0,    0,    0,    0,    0,    0,   0,   0,   0,    0,   0,   0,    0,   0,    0,    // 176
    0,    0,    0,    0,    0,    0,    0,   0,   0,   0,    0,   0,   0,    0,   0,    0,    // 192
    0,    0,    0,    0,    0,    0,    0,   0,   0,   0,    0,   0,   0,    0,   0,    0,    // 208
    0,    0,    0,    0,    0,    0,    0,   0,   0,   0,    0,   0,   0,    0,   0,    0,    // 224
    0,    0,    0,    0,    0,    0,    0,   0,   0,   0,    0,   0,   0,    0,   0,    0,    // 240
};

namespace {

// Nodes 0..255 are the leaves (byte values); 256.. are joins.
struct Node {
  uint32_t weight;
  int child[2]; // -1 for leaves
};

struct Code {
  uint64_t bits = 0; // first step in bit 0
  unsigned length = 0;
};

struct Tree {
  std::vector<Node> nodes;
  int root = -1;
  Code codes[256];

  Tree() {
    nodes.reserve(511);
    std::vector<int> work;
    for (int byte = 0; byte < 256; ++byte) {
      nodes.push_back(Node{HuffmanTable[byte] + 1, {-1, -1}});
      work.push_back(byte);
    }
    while (work.size() > 1)
      joinTwoLightest(work);
    root = work[0];
    assignCodes(root, 0, 0);
  }

  // Smallest first found on ties; an entry lighter than the current smallest
  // pushes the smallest to second place.
  void joinTwoLightest(std::vector<int> &work) {
    int smallest = -1;
    int second = -1;
    for (int i = 0; i < int(work.size()); ++i) {
      uint32_t weight = nodes[work[i]].weight;
      if (smallest < 0 || weight < nodes[work[smallest]].weight) {
        second = smallest;
        smallest = i;
      } else if (second < 0 || weight < nodes[work[second]].weight) {
        second = i;
      }
    }
    nodes.push_back(
        Node{nodes[work[smallest]].weight + nodes[work[second]].weight, {work[smallest], work[second]}});
    int low = smallest < second ? smallest : second;
    int high = smallest < second ? second : smallest;
    work[low] = int(nodes.size()) - 1;
    if (high != int(work.size()) - 1)
      work[high] = work.back();
    work.pop_back();
  }

  void assignCodes(int node, uint64_t path, unsigned depth) {
    if (nodes[node].child[0] < 0) {
      assert(depth <= 64 && "code longer than its storage");
      codes[node] = Code{path, depth};
      return;
    }
    assignCodes(nodes[node].child[0], path, depth + 1);
    assignCodes(nodes[node].child[1], path | (uint64_t(1) << depth), depth + 1);
  }
};

const Tree &tree() {
  static const Tree built;
  return built;
}

void writeCode(BitStream &stream, const Code &code) {
  uint64_t bits = code.bits;
  unsigned left = code.length;
  while (left) {
    unsigned take = left < 32 ? left : 32;
    stream.writeInt(uint32_t(bits), take);
    bits >>= take;
    left -= take;
  }
}

} // namespace

uint64_t codeOf(uint8_t byte) {
  return tree().codes[byte].bits;
}
unsigned codeLengthOf(uint8_t byte) {
  return tree().codes[byte].length;
}

void writeHuffBuffer(BitStream &stream, const uint8_t *text, size_t length, size_t maxLength) {
  if (!text) {
    stream.writeFlag(false);
    stream.writeInt(0, 8);
    return;
  }
  if (length > maxLength)
    length = maxLength;
  const Tree &code = tree();
  size_t huffmanBits = 0;
  for (size_t i = 0; i < length; ++i)
    huffmanBits += code.codes[text[i]].length;
  if (stream.writeFlag(huffmanBits < length * 8)) {
    stream.writeInt(uint32_t(length), 8);
    for (size_t i = 0; i < length; ++i)
      writeCode(stream, code.codes[text[i]]);
  } else {
    stream.writeInt(uint32_t(length), 8);
    stream.writeBytes(text, length);
  }
}

size_t readHuffBuffer(BitStream &stream, uint8_t *out, size_t maxLength) {
  bool compressed = stream.readFlag();
  size_t length = stream.readInt(8);
  if (!stream.isValid() || length > maxLength) {
    stream.setError();
    return 0;
  }
  if (!compressed) {
    stream.readBytes(out, length);
    return stream.isValid() ? length : 0;
  }
  const Tree &code = tree();
  for (size_t i = 0; i < length; ++i) {
    int node = code.root;
    while (code.nodes[node].child[0] >= 0 && stream.isValid())
      node = code.nodes[node].child[stream.readFlag() ? 1 : 0];
    if (!stream.isValid())
      return 0;
    out[i] = uint8_t(node);
  }
  return length;
}

} // namespace HuffmanStringProcessor
} // namespace TNL
