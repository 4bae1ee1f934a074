// Files larger than one deflate piece: their pieces chained into one deflate
// stream must inflate (zlib's raw inflate, which shares no code with mksfx
// or the stub) to the file, wherever the pieces end in the stream; data
// that deflate does not shrink, and -0, are stored; encryption runs over
// the chained pieces.  (The stub's own walk extracts a 100 MB file in the
// folder tests.)
#include <gtest/gtest.h>
#include <zlib.h>

#include "file_entry.h"
#include "test_support.h"

namespace {

// Text with some variety, random bytes, and the two interleaved.
enum class Kind { kText, kRandom, kMixed };

std::string TestData(Kind kind, size_t size) {
  std::string data;
  data.reserve(size + 64);
  uint32_t state = 12345;
  auto next = [&]() { return state = state * 1103515245u + 12345u; };
  static const char* const kWords[] = {"deflate ", "piece ", "stream ", "block ", "stored ", "final "};
  while (data.size() < size) {
    bool random = kind == Kind::kRandom || (kind == Kind::kMixed && (data.size() / 3000) % 2);
    if (random) data += (char)(next() >> 24);
    else data += kWords[(next() >> 16) % 6];
  }
  data.resize(size);
  return data;
}

struct Entry {
  uint16_t method = 0;
  std::string data;  // as stored, from the first byte after the local header
};

// The only entry of the archive in `file`, found through its end record.
Entry OnlyEntry(const std::vector<uint8_t>& file) {
  size_t end = file.size() - 22;
  while (end > 0 && Le32(file, end) != 0x06054B50) --end;
  size_t central = Le32(file, end + 16);
  Entry e;
  e.method = Le16(file, central + 10);
  size_t size = Le32(file, central + 20);
  size_t local = Le32(file, central + 42);
  size_t at = local + 30 + Le16(file, local + 26) + Le16(file, local + 28);
  e.data.assign(file.begin() + (long)at, file.begin() + (long)(at + size));
  return e;
}

std::string RawInflate(const std::string& in, size_t expected) {
  std::string out(expected + 1, '\0');
  z_stream z = {};
  EXPECT_EQ(inflateInit2(&z, -MAX_WBITS), Z_OK);
  z.next_in = (Bytef*)in.data();
  z.avail_in = (uInt)in.size();
  z.next_out = (Bytef*)&out[0];
  z.avail_out = (uInt)out.size();
  int result = inflate(&z, Z_FINISH);
  EXPECT_EQ(result, Z_STREAM_END);
  EXPECT_EQ(z.avail_in, 0u) << "bytes behind the final block";
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

TEST(PackStream, PiecesChainIntoOneStreamThatInflatesToTheFile) {
  TempFolder dir;
  WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
  const size_t piece = kDeflatePieceSize;
  struct Row {
    Kind kind;
    size_t size;
    const char* level;
    uint16_t method;
  };
  const Row rows[] = {
      {Kind::kText, piece + 1, "-1", 8},
      {Kind::kMixed, 3 * piece - 5, "-12", 8},
      {Kind::kRandom, piece + 100, "-9", 0},  // deflate does not shrink it
      {Kind::kText, piece + 3, "-0", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string((int)row.kind) + " " + std::to_string(row.size) + " " + row.level);
    std::string data = TestData(row.kind, row.size);
    WriteNativeFile(dir.Native("data.bin"), data);
    RunTool({"rm", "-f", dir.Native("out.exe")});
    RunResult r = Mksfx({"pack", row.level, "--stub", "stub.exe", "data.bin", "out.exe"}, dir.Native());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Entry e = OnlyEntry(ReadBytes(dir.Native("out.exe")));
    EXPECT_EQ(e.method, row.method);
    if (e.method == 8) {
      EXPECT_LT(e.data.size(), data.size());
      EXPECT_TRUE(RawInflate(e.data, data.size()) == data);
    } else {
      EXPECT_TRUE(e.data == data);
    }
  }

  WriteNativeFile(dir.Native("pw.txt"), "secret\n");
  ASSERT_EQ(Mksfx({"pack", "--password-file", "pw.txt", "--stub", "stub.exe", "data.bin", "enc.exe"},
                  dir.Native()).exitCode, 0);
  EXPECT_TRUE(RunTool({"unzip", "-p", "-P", "secret", "enc.exe"}, dir.Native()).out == dir.Read("data.bin"));
}

}  // namespace
