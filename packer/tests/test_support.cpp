#include "test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {

// The image headers of PeStub, offsets from the file's start.
const size_t kPeHeaderAt = 0x40;
const size_t kOptionalMagicAt = kPeHeaderAt + 24;
const uint16_t kPe32PlusMagic = 0x20B;
// The security directory behind the PE32 and the PE32+ optional header's
// own fields; the WIN_CERTIFICATE header: length, revision 2.0, PKCS#7.
const size_t kPe32DirectoryAt = kOptionalMagicAt + 96 + 4 * 8;
const size_t kPe32PlusDirectoryAt = kOptionalMagicAt + 112 + 4 * 8;
const size_t kCertificateHeaderSize = 8;
// Bytes that stand for the signature itself: letters, no ZIP signature.
const size_t kSignatureFillerSize = 1496;  // the table a multiple of 8, as signers keep it

void Set16(std::string& s, size_t at, uint16_t v) {
  s[at] = (char)v;
  s[at + 1] = (char)(v >> 8);
}

void Set32(std::string& s, size_t at, uint32_t v) {
  Set16(s, at, (uint16_t)v);
  Set16(s, at + 2, (uint16_t)(v >> 16));
}

uint32_t Get32(const std::string& s, size_t at) {
  return (uint32_t)(uint8_t)s[at] | (uint32_t)(uint8_t)s[at + 1] << 8 |
         (uint32_t)(uint8_t)s[at + 2] << 16 | (uint32_t)(uint8_t)s[at + 3] << 24;
}

size_t DirectoryAt(const std::string& image) {
  bool plus = (uint8_t)image[kOptionalMagicAt] == (kPe32PlusMagic & 0xFF) &&
              (uint8_t)image[kOptionalMagicAt + 1] == kPe32PlusMagic >> 8;
  return plus ? kPe32PlusDirectoryAt : kPe32DirectoryAt;
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
  Set32(s, 0x3C, kPeHeaderAt);
  s.replace(kPeHeaderAt, 4, std::string("PE\0\0", 4));
  Set16(s, kOptionalMagicAt, magic);
  Set32(s, DirectoryAt(s), 0);
  Set32(s, DirectoryAt(s) + 4, 0);
  return s;
}

std::string SignLikeASigner(std::string image) {
  image.resize(AlignedSize(image.size()), '\0');
  std::string table(kCertificateHeaderSize, '\0');
  table += std::string(kSignatureFillerSize, 's');
  Set32(table, 0, (uint32_t)table.size());
  Set16(table, 4, 0x0200);
  Set16(table, 6, 0x0002);
  Set32(image, DirectoryAt(image), (uint32_t)image.size());
  Set32(image, DirectoryAt(image) + 4, (uint32_t)table.size());
  return image + table;
}

std::string AppendToTable(std::string image, const std::string& bytes) {
  uint32_t grown = TableSize(image) + (uint32_t)bytes.size();
  Set32(image, TablePos(image), grown);
  Set32(image, DirectoryAt(image) + 4, grown);
  return image + bytes;
}

uint32_t TablePos(const std::string& image) { return Get32(image, DirectoryAt(image)); }
uint32_t TableSize(const std::string& image) { return Get32(image, DirectoryAt(image) + 4); }
void SetTablePos(std::string& image, uint32_t pos) { Set32(image, DirectoryAt(image), pos); }
