// ISA-L's streaming inflate with 32 KiB output pieces (see isal_streaming.h).
#include "isal_streaming.h"

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>

#include <memory>

namespace {

// The piece size and history our decoder works with: its window, written out
// whenever it fills.
const uint32_t kPieceSize = 32768;
const uint32_t kHistoryBits = 15;

}  // namespace

bool IsalAvailable() { return true; }

bool IsalInflatePieces(const uint8_t* stream, size_t size, uint32_t& crc, size_t& bytes) {
  // About 100 KB of state (it keeps its own copy of the history between
  // calls, since the caller reuses the piece buffer).
  static std::unique_ptr<inflate_state> state(new inflate_state);
  static uint8_t piece[kPieceSize];
  isal_inflate_init(state.get());
  state->crc_flag = ISAL_DEFLATE;
  state->hist_bits = kHistoryBits;
  state->next_in = const_cast<uint8_t*>(stream);
  state->avail_in = (uint32_t)size;
  crc = 0;
  bytes = 0;
  while (state->block_state != ISAL_BLOCK_FINISH) {
    state->next_out = piece;
    state->avail_out = kPieceSize;
    if (isal_inflate(state.get()) != ISAL_DECOMP_OK) return false;
    uint32_t produced = kPieceSize - state->avail_out;
    // A call that neither finishes nor produces has run out of input.
    if (!produced && state->block_state != ISAL_BLOCK_FINISH) return false;
    crc = crc32_gzip_refl(crc, piece, produced);
    bytes += produced;
  }
  return true;
}
