// Multi-level decoding tables for canonical Huffman codes.  A pure function
// of its inputs apart from the allocator: tests call it directly.
#include "../common/heap.h"
#include "inflate_private.h"

// One table per level and each level consumes at least one bit, so a code of
// at most 16 bits opens at most 16 tables.  Working arrays carry one slot
// more for level -1 (width 0) or for offset[length + 1].
const uint32_t kMaxTableLevels = kMaxCodeLength;

static void ReleaseNewTables(HuffmanEntry*& tableList, HuffmanEntry* oldHead) {
  while (tableList != oldHead) {
    HuffmanEntry* header = tableList - 1;
    tableList = header->next;
    ReleaseMemory(header);
  }
}

int BuildHuffmanTable(const uint16_t* lengths, uint32_t lengthCount, uint32_t plainSymbols,
                      const uint16_t* baseValues, const uint8_t* extraBits,
                      HuffmanEntry*& root, HuffmanEntry*& tableList, int32_t& width) {
  uint32_t count[kMaxCodeLength + 1] = {};
  for (uint32_t i = 0; i < lengthCount; ++i) {
    // Longer lengths would index past the working arrays.
    if (lengths[i] > kMaxCodeLength) return kHuffmanOversubscribed;
    ++count[lengths[i]];
  }
  if (count[0] == lengthCount) {
    root = nullptr;
    width = 0;
    return kHuffmanComplete;
  }
  // The table holding the end-of-block code ends at that code's length, so
  // the code never shares a lookup with bits of the next block.
  uint32_t endOfBlockLength =
      lengthCount > kEndOfBlockSymbol ? lengths[kEndOfBlockSymbol] : kMaxCodeLength;

  uint32_t shortest = 1;
  while (!count[shortest]) ++shortest;
  uint32_t longest = kMaxCodeLength;
  while (!count[longest]) --longest;
  uint32_t rootLimit = (uint32_t)width;
  if (rootLimit < shortest) rootLimit = shortest;
  if (rootLimit > longest) rootLimit = longest;

  // Patterns left unused at each length; the ones left at the longest length
  // become dummy codes that decode as invalid entries.
  int32_t unused = 1 << shortest;
  for (uint32_t k = shortest; k < longest; ++k) {
    unused -= (int32_t)count[k];
    if (unused < 0) return kHuffmanOversubscribed;
    unused <<= 1;
  }
  unused -= (int32_t)count[longest];
  if (unused < 0) return kHuffmanOversubscribed;
  count[longest] += (uint32_t)unused;

  // Symbols by length, increasing within a length.
  uint16_t offset[kMaxCodeLength + 2];
  uint16_t symbols[kLiteralLengthSymbols];
  offset[1] = 0;
  for (uint32_t k = 1; k <= kMaxCodeLength; ++k) offset[k + 1] = (uint16_t)(offset[k] + count[k]);
  uint32_t realCodes = 0;
  for (uint32_t i = 0; i < lengthCount; ++i) {
    if (lengths[i]) {
      symbols[offset[lengths[i]]++] = (uint16_t)i;
      ++realCodes;
    }
  }

  // Level h is stored at index h + 1, so level -1 (no table yet) has width 0.
  uint32_t levelWidth[kMaxTableLevels + 1];
  uint32_t savedCode[kMaxTableLevels + 1];
  HuffmanEntry* levelTable[kMaxTableLevels + 1];
  int32_t h = -1;
  levelWidth[0] = 0;
  savedCode[1] = 0;
  uint32_t depth = 0;  // code bits decoded before the current table
  uint32_t code = 0;   // the current code, bit-reversed
  HuffmanEntry* table = nullptr;
  uint32_t tableSize = 0;
  HuffmanEntry* const oldHead = tableList;
  HuffmanEntry entry = {};
  uint32_t placed = 0;
  root = nullptr;

  for (uint32_t k = shortest; k <= longest; ++k) {
    for (uint32_t left = count[k]; left; --left) {
      while (k > depth + levelWidth[h + 1]) {
        depth += levelWidth[h + 1];
        ++h;
        uint32_t limit = longest - depth < rootLimit ? longest - depth : rootLimit;
        uint32_t j = k - depth;
        if ((1u << j) > left) {
          // Too few codes of this length to fill a j-bit table: widen while
          // the next lengths' codes cannot fill the patterns left either.
          uint32_t free = (1u << j) - left;
          for (;;) {
            if (++j >= limit) break;
            free <<= 1;
            if (count[depth + j] >= free) break;
            free -= count[depth + j];
          }
        }
        if (depth + j > endOfBlockLength && depth < endOfBlockLength) j = endOfBlockLength - depth;
        tableSize = 1u << j;
        HuffmanEntry* block =
            (HuffmanEntry*)huffmanTableMemory((DWORD)((tableSize + 1) * sizeof(HuffmanEntry)));
        if (!block) {
          ReleaseNewTables(tableList, oldHead);
          root = nullptr;
          return kHuffmanNoMemory;
        }
        block->next = tableList;
        table = block + 1;
        tableList = table;
        levelWidth[h + 1] = j;
        levelTable[h + 1] = table;
        if (!root) root = table;
        if (h > 0) {
          savedCode[h + 1] = code;
          uint32_t parentWidth = levelWidth[h];
          HuffmanEntry link;
          link.extra = (int8_t)(kExtraLiteral + j);
          link.bits = (int8_t)parentWidth;
          link.value = 0;
          link.next = table;
          levelTable[h][(code & ((1u << depth) - 1)) >> (depth - parentWidth)] = link;
        }
      }

      entry.bits = (int8_t)(k - depth);
      if (placed >= realCodes) {
        entry.extra = kExtraInvalid;  // a dummy code: `value` stays as before
      } else {
        uint32_t v = symbols[placed++];
        if (v < plainSymbols) {
          entry.extra = v < kEndOfBlockSymbol ? kExtraLiteral : kExtraEndOfBlock;
          entry.value = (uint16_t)v;
        } else {
          entry.extra = (int8_t)extraBits[v - plainSymbols];
          entry.value = baseValues[v - plainSymbols];
        }
      }
      entry.next = nullptr;
      for (uint32_t i = code >> depth; i < tableSize; i += 1u << (k - depth)) table[i] = entry;

      // Next code of length k, counting in bit-reversed order.
      uint32_t bit = 1u << (k - 1);
      while (code & bit) {
        code ^= bit;
        bit >>= 1;
      }
      code ^= bit;
      // Leave the tables whose codes are all placed.
      while ((code & ((1u << depth) - 1)) != savedCode[h + 1]) {
        --h;
        depth -= levelWidth[h + 1];
      }
    }
  }
  width = (int32_t)levelWidth[1];
  return unused != 0 && longest != 1 ? kHuffmanIncomplete : kHuffmanComplete;
}

void FreeHuffmanTables(HuffmanEntry* tableList) { ReleaseNewTables(tableList, nullptr); }
