// Peers of the inflate decoder on the host: zlib as the oracle and, with
// libdeflate, as writers of test streams.  Host builds only.
#pragma once

#include <stddef.h>

#include <string>

#include "inflate_harness.h"

// zlib's raw inflate of `stream` (window bits -15).  True when zlib reaches
// the end of the final block; `out` then holds the output.  Output beyond
// `limit` bytes counts as a refusal (keeps fuzzing bounded).  `reason`, when
// given, receives zlib's message for a refusal ("" when it ran out of input).
bool ZlibInflateRaw(const std::string& stream, std::string& out, size_t limit,
                    std::string* reason = nullptr);

// Our decoder's outcome on `stream` against zlib's raw inflate of it, both
// ways: where either accepts the stream, the other accepts it too with the
// same bytes.  Empty when they agree; otherwise what differs, for a failure
// message.  Where zlib's output passes `limit` bytes there is no verdict
// (keeps fuzzing bounded).
//
// Allowed, each in the one direction named:
// - a match reaching before the entry's first byte fails our block
//   (kInflateDistanceTooFar) even where zlib accepts it, as it does only with
//   its own window semantics;
// - our decoder takes what the header fields can carry where zlib refuses
//   the header: 287 or 288 literal/length and 31 or 32 distance lengths
//   ("too many length or distance symbols"), an incomplete distance code
//   whose unused patterns the block never sends ("invalid distances set"),
//   and a repeat of the previous length as the first code length, which
//   repeats 0 ("invalid bit length repeat").
std::string ZlibDisagreement(const std::string& stream, const InflateOutcome& ours, size_t limit);

// zlib's raw deflate at a level (0-9), strategy (Z_DEFAULT_STRATEGY, ...)
// and memory level (1-9).
std::string ZlibDeflateRaw(const std::string& data, int level, int strategy, int memLevel = 8);

// libdeflate's raw deflate at a level (0-12).
std::string LibdeflateCompress(const std::string& data, int level);

// Deterministic test data of `size` bytes: English-like text, structured
// binary records, incompressible bytes, long runs, and data repeating at
// exactly 32,768 bytes.
enum class Corpus { kText, kBinary, kRandom, kRuns, kWindowRepeat };
std::string MakeCorpus(Corpus kind, size_t size, unsigned seed = 1);
const char* CorpusName(Corpus kind);
