// Files larger than one deflate piece: the pieces chained into one stream
// inflate (by unzip) to the file, encrypted or not; data that deflate does
// not shrink, and -0, are stored.
#include <gtest/gtest.h>

#include "file_entry.h"
#include "test_support.h"

namespace {

TEST(PackStream, PiecesChainIntoOneStreamThatInflatesToTheFile) {
  StubFolder dir;
  dir.Write("pw.txt", "secret\n");
  const size_t piece = kDeflatePieceSize;
  const std::tuple<const char*, size_t, std::string, const char*> rows[] = {  // data, size, options, method
      {"mixed", 3 * piece - 5, "-12", "8\n"},
      {"text", 2 * piece + 4321, "-1 --password-file pw.txt", "8\n"},
      {"random", piece + 100, "-9", "0\n"},  // deflate does not shrink it
      {"text", piece + 3, "-0", "0\n"},
  };
  for (const auto& [kind, size, options, method] : rows) {
    SCOPED_TRACE(std::to_string(size) + " " + options);
    std::string data, k = kind;  // words, random bytes, or the two in turns of 3000 bytes
    for (uint32_t state = 12345; data.size() < size;) {
      state = state * 1103515245u + 12345u;
      bool random = k == "random" || (k == "mixed" && (data.size() / 3000) % 2);
      data += random ? std::string(1, (char)(state >> 24)) : "word" + std::to_string(state >> 28) + " ";
    }
    data.resize(size);
    dir.Write("data.bin", data);
    ASSERT_EQ(RunTool({"sh", "-c", std::string(MKSFX_BINARY) + " pack --stub stub.exe " + options + " data.bin out.exe"},
                      dir.Native()).exitCode, 0);
    EXPECT_EQ(RunTool({"python3", "-c", "import zipfile, sys; print(zipfile.ZipFile(sys.argv[1]).infolist()[0].compress_type)",
                       dir.Native("out.exe")}).out, method);
    EXPECT_TRUE(RunTool({"unzip", "-p", "-P", "secret", "out.exe"}, dir.Native()).out == data);
  }
}

}  // namespace
