// ISA-L's igzip as a streaming raw inflater, the benchmark's anchor for a
// decoder that, like ours, hands its output on in 32 KiB pieces and keeps
// only a 32 KiB history.  Optional: without libisal the benchmark builds
// isal_missing.cpp instead and prints no ISA-L column figures.
#pragma once

#include <stddef.h>
#include <stdint.h>

// True when the benchmark was built with ISA-L.
bool IsalAvailable();

// Inflates the raw deflate `stream` into one reused 32 KiB buffer, piece by
// piece, feeding each piece to ISA-L's own CRC-32.  Returns false when ISA-L
// refuses the stream or is absent; `crc` and `bytes` then mean nothing.
bool IsalInflatePieces(const uint8_t* stream, size_t size, uint32_t& crc, size_t& bytes);
