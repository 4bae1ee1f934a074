#include "test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "common/pe_format.h"
#include "common/zip_format.h"

namespace {

// Where PeStub puts the PE signature; the WIN_CERTIFICATE header's size
// (length, revision 2.0, PKCS#7).
const size_t kPeHeaderAt = 0x40;
const size_t kCertificateHeaderSize = 8;
// Bytes that stand for the signature itself: letters, no ZIP signature.
const size_t kSignatureFillerSize = 1496;  // the table a multiple of 8, as signers keep it

uint8_t* At(std::string& s, size_t at) { return (uint8_t*)&s[at]; }

size_t DirectoryAt(const std::string& image) {
  uint16_t magic = Read16((const uint8_t*)&image[kPeHeaderAt + kPeOptionalHeader]);
  return kPeHeaderAt + (magic == kPe32PlusMagic ? kPe32PlusSecurityDirectory : kPe32SecurityDirectory);
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

RunResult RunTool(const std::vector<std::string>& argv, const std::string& folder) {
  char outName[] = "/tmp/mksfx-out-XXXXXX";
  char errName[] = "/tmp/mksfx-err-XXXXXX";
  int outFd = ::mkstemp(outName);
  int errFd = ::mkstemp(errName);
  RunResult r;
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    int devNull = ::open("/dev/null", O_RDONLY);
    ::dup2(devNull, 0);
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  ::close(outFd);
  ::close(errFd);
  r.out = Slurp(outName);
  r.err = Slurp(errName);
  ::unlink(outName);
  ::unlink(errName);
  return r;
}

RunResult Mksfx(const std::vector<std::string>& args, const std::string& folder) {
  std::vector<std::string> argv = {MKSFX_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunTool(argv, folder);
}

std::string Fixture(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"python3", PACKER_FIXTURES};
  argv.insert(argv.end(), args.begin(), args.end());
  RunResult r = RunTool(argv);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return r.out;
}

std::string EntryNames(const std::string& path) {
  std::string listing = Fixture({"contents", path}), names;
  for (size_t at = 0; at < listing.size(); at = listing.find('\n', at) + 1)
    names += listing.substr(at, listing.find('\n', at) - at - 8);
  return names;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::string s = Slurp(path);
  return std::vector<uint8_t>(s.begin(), s.end());
}

uint16_t Le16(const std::vector<uint8_t>& b, size_t at) { return (uint16_t)(b[at] | b[at + 1] << 8); }
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t)Le16(b, at) | (uint32_t)Le16(b, at + 2) << 16;
}

std::string PeStub(uint16_t magic) {
  std::string s = FakeStub(kShortStubSize);
  Write32(At(s, kDosNewHeaderOffset), kPeHeaderAt);
  s.replace(kPeHeaderAt, 4, std::string("PE\0\0", 4));
  Write16(At(s, kPeHeaderAt + kPeOptionalHeader), magic);
  s.replace(DirectoryAt(s), 8, std::string(8, '\0'));
  return s;
}

std::string SignLikeASigner(std::string image) {
  image.resize(AlignedSize(image.size()), '\0');
  std::string table(kCertificateHeaderSize, '\0');
  table += std::string(kSignatureFillerSize, 's');
  Write32(At(table, 0), (uint32_t)table.size());
  Write16(At(table, 4), 0x0200);
  Write16(At(table, 6), 0x0002);
  Write32(At(image, DirectoryAt(image)), (uint32_t)image.size());
  Write32(At(image, DirectoryAt(image) + 4), (uint32_t)table.size());
  return image + table;
}

uint32_t TablePos(const std::string& image) { return Read32((const uint8_t*)&image[DirectoryAt(image)]); }
void SetTablePos(std::string& image, uint32_t pos) { Write32(At(image, DirectoryAt(image)), pos); }
