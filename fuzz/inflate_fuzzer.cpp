// Fuzz target: a raw deflate stream through our decoder and through zlib.
// Wherever zlib reaches the end of the final block, our decoder must decode
// the same bytes; everywhere it must end without a crash, a hang or an
// access outside its buffers, and its CRC must cover exactly what it wrote.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <zlib.h>

#include <string>

#include "inflate/inflate_private.h"
#include "support/inflate_harness.h"
#include "support/inflate_oracle.h"

// Inputs beyond this are cut: a 32 KB stream can expand to 33 MB already.
static const size_t kMaxInput = 32768;
// zlib's output beyond this counts as a refusal, so a run stays bounded.
static const size_t kMaxOutput = 64u << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static InflateHarness* harness = new InflateHarness();
  if (size > kMaxInput) size = kMaxInput;
  std::string stream((const char*)data, size);
  InflateOutcome ours = harness->Run(stream);
  if (ours.crc != (uint32_t)crc32(0, (const Bytef*)ours.output.data(), (uInt)ours.output.size()))
    abort();
  std::string expected;
  if (ZlibInflateRaw(stream, expected, kMaxOutput)) {
    if (ours.result != kInflateOk) abort();
    if (ours.output != expected) abort();
  }
  return 0;
}
