// Fuzz target: a raw deflate stream through our decoder and through zlib,
// checked both ways: where either accepts the stream, the other accepts it
// with the same bytes (ZlibDisagreement names the allowed differences).
// Everywhere our decoder must end without a crash, a hang or an access
// outside its buffers, and its CRC must cover exactly what it wrote.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <zlib.h>

#include <string>

#include "support/inflate_harness.h"
#include "support/inflate_oracle.h"

// Inputs beyond this are cut: a 32 KB stream can expand to 33 MB already.
static const size_t kMaxInput = 32768;
// zlib's output beyond this gives no verdict, so a run stays bounded.
static const size_t kMaxOutput = 64u << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static InflateHarness* harness = new InflateHarness();
  if (size > kMaxInput) size = kMaxInput;
  std::string stream((const char*)data, size);
  InflateOutcome ours = harness->Run(stream);
  if (ours.crc != (uint32_t)crc32(0, (const Bytef*)ours.output.data(), (uInt)ours.output.size()))
    abort();
  std::string disagreement = ZlibDisagreement(stream, ours, kMaxOutput);
  if (!disagreement.empty()) {
    fprintf(stderr, "our decoder and zlib disagree: %s\n", disagreement.c_str());
    abort();
  }
  return 0;
}
