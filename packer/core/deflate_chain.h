// Joining separately compressed pieces into one deflate stream.  libdeflate
// compresses whole buffers only, each ending in a block with BFINAL set; a
// large file is compressed piece by piece, and every piece but the last is
// made non-final: its final block's BFINAL bit cleared, then an empty stored
// block (3 header bits, padding to the byte boundary, LEN 0, NLEN 0xFFFF)
// appended, so that the next piece continues the stream on a byte boundary.
// Finding that bit and the block's end means walking every block of the
// piece, Huffman codes included, without producing its output.
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes MakeNonFinal may add behind a piece: one byte more when the empty
// stored block's 3-bit header does not fit in the piece's last byte, then its
// 2-byte LEN and 2-byte NLEN.
const size_t kChainSuffixSize = 1 + 4;

struct DeflateWalk {
  bool complete = false;      // the stream ends with a final block within the data
  uint64_t finalBlockBit = 0;  // bit position of the final block's BFINAL bit
  uint64_t endBit = 0;        // bit position just behind the final block
};

// Walks the deflate stream in `data`, bits counted from the least
// significant bit of data[0].  Reads nothing past `size`; a damaged or cut
// short stream gives complete == false.
DeflateWalk WalkDeflateBlocks(const uint8_t* data, size_t size);

// `data` holds one whole deflate stream of `size` bytes in a buffer of at
// least size + kChainSuffixSize bytes.  Makes it non-final as described
// above and returns its new size, or 0 (data unchanged) when it is not one
// whole stream.
size_t MakeNonFinal(uint8_t* data, size_t size);
