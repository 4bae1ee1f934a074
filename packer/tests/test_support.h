// Running mksfx and the fixture tools from the packer tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// A fresh folder under $TMPDIR, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // Names of the files in the folder, sorted.
  std::vector<std::string> List() const;

 private:
  std::string path_;
};

// Runs `argv` (argv[0] searched in PATH) in `folder` and collects its output.
RunResult RunTool(const std::vector<std::string>& argv, const std::string& folder = ".");

// mksfx with these arguments.
RunResult Mksfx(const std::vector<std::string>& args, const std::string& folder = ".");

// The fixture script with these arguments; fails the test when it fails.
std::string Fixture(const std::vector<std::string>& args);

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
bool Exists(const std::string& path);

// A stand-in stub: "MZ", then filler bytes up to `size`, no ZIP signature.
std::vector<uint8_t> FakeStub(size_t size = 3000);

// File in the shared corpus, e.g. "zip/go/test.zip".
std::string CorpusFile(const std::string& relative);

uint16_t Le16(const std::vector<uint8_t>& b, size_t at);
uint32_t Le32(const std::vector<uint8_t>& b, size_t at);

// The stub's default archive start and the size stubs are padded to.
const size_t kImageSize = 0x5400;
