// Files larger than one deflate piece: their pieces chained into one stream
// inflate (with unzip, which shares no code with mksfx or the stub) to the
// file, wherever the pieces end, encrypted or not; data that deflate does
// not shrink, and -0, are stored.  (The stub's walk: the folder tests.)
#include <gtest/gtest.h>

#include "file_entry.h"
#include "test_support.h"

namespace {

// "text" of words, "random" bytes, or the two "mixed" in turns.
std::string TestData(const std::string& kind, size_t size) {
  static const char* const kWords[] = {"deflate ", "piece ", "stream ", "block ", "stored ", "final "};
  std::string data;
  for (uint32_t state = 12345; data.size() < size;) {
    state = state * 1103515245u + 12345u;
    bool random = kind == "random" || (kind == "mixed" && (data.size() / 3000) % 2);
    data += random ? std::string(1, (char)(state >> 24)) : kWords[(state >> 16) % 6];
  }
  return data.substr(0, size);
}

TEST(PackStream, PiecesChainIntoOneStreamThatInflatesToTheFile) {
  TempFolder dir;
  WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
  WriteNativeFile(dir.Native("pw.txt"), "secret\n");
  const size_t piece = kDeflatePieceSize;
  struct Row {
    const char* kind;
    size_t size;
    std::string options;
    const char* method;
  };
  const Row rows[] = {
      {"text", piece + 1, "-1", "8\n"},
      {"mixed", 3 * piece - 5, "-12", "8\n"},
      {"mixed", 2 * piece + 4321, "--password-file pw.txt", "8\n"},
      {"random", piece + 100, "-9", "0\n"},  // deflate does not shrink it
      {"text", piece + 3, "-0", "0\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.size) + " " + row.options);
    std::string data = TestData(row.kind, row.size);
    WriteNativeFile(dir.Native("data.bin"), data);
    RunResult r = RunTool({"sh", "-c", std::string(MKSFX_BINARY) + " pack --stub stub.exe " + row.options +
                                           " data.bin out.exe"}, dir.Native());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(RunTool({"python3", "-c", "import zipfile, sys; print(zipfile.ZipFile(sys.argv[1]).infolist()[0].compress_type)",
                       dir.Native("out.exe")}).out, row.method);
    EXPECT_TRUE(RunTool({"unzip", "-p", "-P", "secret", "out.exe"}, dir.Native()).out == data);
  }
}

}  // namespace
