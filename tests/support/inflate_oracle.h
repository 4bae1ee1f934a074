// Peers of the inflate decoder on the host: zlib as the oracle and, with
// libdeflate, as writers of test streams.  Host builds only.
#pragma once

#include <stddef.h>

#include <string>

// zlib's raw inflate of `stream` (window bits -15).  True when zlib reaches
// the end of the final block; `out` then holds the output.  Output beyond
// `limit` bytes counts as a refusal (keeps fuzzing bounded).
bool ZlibInflateRaw(const std::string& stream, std::string& out, size_t limit);

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
