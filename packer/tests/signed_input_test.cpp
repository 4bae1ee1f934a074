// Signed inputs that osslsigncode does not make, with tables made by hand
// (test_support): a signed 64-bit image, and damaged security directories.
// What every command makes of real signatures, and of an archive planted in
// the table, is tested by signing_test.py.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/zip_builder.h"
#include "test_support.h"

namespace {

const uint16_t kPe32 = 0x10B;
const uint16_t kPe32Plus = 0x20B;
const char kPlantedName[] = "planted.txt";

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

// An archive planted at the end of the certificate table of the signed
// `image`: offsets counted from the file's start, its comment keeping the
// table a multiple of 8, its end record ending the file.  A reader that
// ignored the table would take it.
std::string Planted(const std::string& image) {
  ZipOptions options;
  options.base = (uint32_t)image.size();
  std::vector<ZipEntry> entries = {File(kPlantedName, "not from the publisher")};
  size_t size = BuildZip(entries, options).size();
  options.comment = std::string(AlignedSize(size) - size, 'c');
  return AppendToTable(image, BuildZip(entries, options));
}

class SignedInput : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.MakeFolder("src");
    dir.Write("src/a.txt", "alpha\n");
    dir.Write("src/b.txt", std::string(3000, 'b'));
  }

  // A self-extractor packed with a stub of these headers, then signed.
  std::string SignedSfx(uint16_t magic, bool planted) {
    dir.Write("stub.exe", PeStub(magic));
    RunResult r = Mksfx({"pack", "--stub", dir.Native("stub.exe"), "--caption", "Signed",
                         dir.Native("src"), dir.Native("unsigned.exe")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string image = SignLikeASigner(dir.Read("unsigned.exe"));
    EXPECT_EQ(TablePos(image), dir.Read("unsigned.exe").size()) << "the signer added padding";
    dir.Write("signed.exe", planted ? Planted(image) : image);
    return dir.Native("signed.exe");
  }

  std::vector<std::string> Extracted(const std::string& sfx) {
    TempFolder x;
    RunResult r = Mksfx({"extract", "-q", sfx, x.Native()});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    return x.Tree();
  }

  TempFolder dir;
  const std::vector<std::string> kPacked = {"a.txt", "b.txt"};
};

// The stub is a 32-bit image and never reads a 64-bit one's directory: its
// start-up is not replayed on a signed 64-bit image, whose archive pack
// still takes over from in front of the table.
TEST_F(SignedInput, SignedSixtyFourBitImagesArePackedButNotReplayed) {
  std::string sfx = SignedSfx(kPe32Plus, true);
  for (std::vector<std::string> command : {std::vector<std::string>{"info", sfx}, {"check", sfx},
                                           {"extract", sfx, dir.Native("x")}}) {
    SCOPED_TRACE(command[0]);
    RunResult r = Mksfx(command);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(sfx + ": a signed 64-bit (PE32+) program"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(dir.Exists("x"));
  dir.Write("stub.exe", PeStub(kPe32));
  RunResult r = Mksfx({"pack", "--stub", dir.Native("stub.exe"), sfx, dir.Native("again.exe")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Extracted(dir.Native("again.exe")), kPacked);
}

TEST_F(SignedInput, DamagedDirectoriesAreRefusedByEveryCommand) {
  struct Row {
    const char* what;
    int64_t moveBy;  // from the table's true position
    const char* message;
  };
  const Row rows[] = {
      {"off the alignment", 4, ", off the 8-byte alignment every signer keeps"},
      {"past the end of the file", 1 << 20, ", past the end of the file ("},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    SignedSfx(kPe32, false);
    std::string image = dir.Read("signed.exe");
    SetTablePos(image, (uint32_t)(TablePos(image) + row.moveBy));
    dir.Write("damaged.exe", image);
    std::string sfx = dir.Native("damaged.exe");
    for (std::vector<std::string> command :
         {std::vector<std::string>{"info", sfx}, {"check", sfx}, {"extract", sfx, dir.Native("x")},
          {"pack", "--stub", dir.Native("stub.exe"), sfx, dir.Native("again.exe")}}) {
      SCOPED_TRACE(command[0]);
      RunResult r = Mksfx(command);
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_NE(r.err.find(sfx + ": damaged signature: the security directory places the "
                           "certificate table at " + Hex((uint32_t)(TablePos(image))) + ", " +
                           std::to_string(TableSize(image)) + " bytes" + row.message),
                std::string::npos) << r.err;
    }
    EXPECT_FALSE(dir.Exists("x"));
    EXPECT_FALSE(dir.Exists("again.exe"));
  }
}

}  // namespace
