#include "test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {

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
