// Running mksfx and the fixture tools from the packer tests.  Temporary
// folders, the corpus and the stand-in stub are the engine tests' own
// (tests/support).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_data.h"
#include "support/test_files.h"

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs `argv` (argv[0] searched in PATH) in `folder` and collects its output.
RunResult RunTool(const std::vector<std::string>& argv, const std::string& folder = ".");

// mksfx with these arguments.
RunResult Mksfx(const std::vector<std::string>& args, const std::string& folder = ".");

// The fixture script with these arguments; fails the test when it fails.
std::string Fixture(const std::vector<std::string>& args);
// The entry names Python's zipfile reads from `path`, in order, each and a blank.
std::string EntryNames(const std::string& path);

std::vector<uint8_t> ReadBytes(const std::string& path);
inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

uint16_t Le16(const std::vector<uint8_t>& b, size_t at);
uint32_t Le32(const std::vector<uint8_t>& b, size_t at);

// The stub's default archive start and the size stubs are padded to.
const size_t kImageSize = 0x5400;
// Pack pads every output's archive comment so that the output ends on a
// multiple of this: a signer's certificate table starts right behind it.
const size_t kOutputAlignment = 8;
inline size_t AlignedSize(size_t unpadded) {
  return (unpadded + kOutputAlignment - 1) / kOutputAlignment * kOutputAlignment;
}
// The stand-in stub the packer tests pack: shorter than the image, so that
// pack's zero padding up to kImageSize shows.
const size_t kShortStubSize = 3000;

// A temporary folder holding FakeStub(kShortStubSize) as stub.exe; Pack runs
// "mksfx pack --stub stub.exe ARGS" in it.
struct StubFolder : TempFolder {
  StubFolder() { Write("stub.exe", FakeStub(kShortStubSize)); }
  RunResult Pack(std::vector<std::string> args) const {
    args.insert(args.begin(), {"pack", "--stub", "stub.exe"});
    return Mksfx(args, Native());
  }
};

// FakeStub(kShortStubSize) with the headers of a Windows image: "PE\0\0" at
// 0x40 and an optional header of this magic (0x10B PE32, 0x20B PE32+) whose
// security directory names no certificate table.
std::string PeStub(uint16_t magic);

// What a signer leaves of `image`, which starts with PeStub's headers: the
// file padded to a multiple of 8, then the certificate table (a
// WIN_CERTIFICATE header and filler standing for the signature), whose
// position and size the security directory names.
std::string SignLikeASigner(std::string image);

// Where the directory of such an image names its table.
uint32_t TablePos(const std::string& image);
// Names another position (a damaged directory).
void SetTablePos(std::string& image, uint32_t pos);
