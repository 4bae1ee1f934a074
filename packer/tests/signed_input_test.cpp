// Signed inputs that osslsigncode does not make, with tables made by hand
// (test_support): a signed 64-bit image, and damaged security directories.
// What every command makes of real signatures, and of an archive planted in
// the table, is tested by signing_test.py.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const uint16_t kPe32 = 0x10B;
const uint16_t kPe32Plus = 0x20B;

// The stub, a 32-bit image, never reads a 64-bit one's directory, so its
// start-up is not replayed on a signed 64-bit image; pack still takes over
// the archive in front of the table.  A directory whose table is off the
// alignment or past the end of the file is damaged for every command.
TEST(SignedInput, InputsWhoseTableTheStubWouldMisreadAreRefused) {
  struct Row {
    const char* what;
    uint16_t magic;
    uint32_t moveBy;      // the table's position moved from where the signer put it
    const char* message;  // after the input's path
    bool packs;
  };
  const Row rows[] = {
      {"a signed 64-bit image", kPe32Plus, 0, ": a signed 64-bit (PE32+) program", true},
      {"off the alignment", kPe32, 4, ": damaged signature: the security directory places the "
       "certificate table at 0x", false},
      {"past the end of the file", kPe32, 1 << 20, ": damaged signature: ", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempFolder dir;
    dir.Write("src/a.txt", "alpha\n");
    dir.Write("stub.exe", PeStub(row.magic));
    ASSERT_EQ(Mksfx({"pack", "--stub", dir.Native("stub.exe"), dir.Native("src"),
                     dir.Native("unsigned.exe")}).exitCode, 0);
    std::string image = SignLikeASigner(dir.Read("unsigned.exe"));
    SetTablePos(image, TablePos(image) + row.moveBy);
    dir.Write("signed.exe", image);
    std::string sfx = dir.Native("signed.exe");
    for (std::vector<std::string> command : {std::vector<std::string>{"info", sfx}, {"check", sfx},
                                             {"extract", sfx, dir.Native("x")}}) {
      SCOPED_TRACE(command[0]);
      RunResult r = Mksfx(command);
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_NE(r.err.find(sfx + row.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(dir.Exists("x"));
    RunResult pack = Mksfx({"pack", "--stub", dir.Native("stub.exe"), sfx, dir.Native("again.exe")});
    EXPECT_EQ(pack.exitCode, row.packs ? 0 : 1) << pack.err;
    if (row.packs) {
      EXPECT_TRUE(dir.Read("again.exe") == dir.Read("unsigned.exe"));
    }
  }
}

}  // namespace
