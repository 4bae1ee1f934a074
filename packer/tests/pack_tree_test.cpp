// Folders and files through pack and back through the stub's own walk
// (mksfx extract): byte for byte and time for time, with and without a
// password; what cannot be packed is refused with the name and the reason;
// the same inputs give the same bytes, and encryption headers that only the
// password tells.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "integrity/zipcrypto.h"
#include "sha256.h"
#include "stub_engine.h"
#include "support/zip_builder.h"
#include "test_support.h"

namespace {

struct TreeFile {
  std::string name;     // UTF-8, as on disk
  std::string written;  // as extract writes it, from Windows-1252 to UTF-8 as Wine does
  std::string content;
};

std::string Pattern(size_t size, unsigned seed) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = (char)((seed = seed * 1103515245u + 12345u) >> 16);
  return s;
}

const std::vector<TreeFile>& Files() {
  static const std::vector<TreeFile> files = {
      {"readme.txt", "readme.txt", "Read me.\r\nSecond line.\r\n"},
      {"empty.txt", "empty.txt", ""},
      {"bin/random.bin", "bin/random.bin", Pattern(50000, 1)},
      {"bin/32767.bin", "bin/32767.bin", Pattern(32767, 2)},
      {"bin/32768.bin", "bin/32768.bin", std::string(32768, 'z')},
      {"bin/32769.bin", "bin/32769.bin", Pattern(32769, 3)},
      {"a/b/c/d/e/f/g/h/i/j/deep.txt", "a/b/c/d/e/f/g/h/i/j/deep.txt", "deep"},
      {"name with spaces.txt", "name with spaces.txt", "spaces"},
      {"Caf\xC3\xA9 \xC3\x9C" "ber.txt", "Caf\xC3\xA9 \xC3\x9C" "ber.txt", "latin-1"},
  };
  return files;
}

int64_t MTime(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? (int64_t)st.st_mtime : -1;
}

class PackTree : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
    RunTool({"mkdir", "-p", dir.Native("src/empty folder")});
    for (const TreeFile& f : Files()) {
      std::string path = dir.Native("src/" + f.name);
      RunTool({"mkdir", "-p", path.substr(0, path.rfind('/'))});
      WriteNativeFile(path, f.content);
      // An odd second: DOS times keep two-second steps.
      RunTool({"touch", "-d", "2023-04-05 06:07:09", path});
    }
  }

  RunResult Pack(const std::vector<std::string>& options, const std::vector<std::string>& inputs,
                 const std::string& output = "out.exe") {
    std::vector<std::string> args = {"pack", "--stub", dir.Native("stub.exe")};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), inputs.begin(), inputs.end());
    args.push_back(dir.Native(output));
    return Mksfx(args);
  }

  TempFolder dir;
};

TEST_F(PackTree, FoldersRoundTripByteForByteAndTimeForTime) {
  WriteNativeFile(dir.Native("pw"), "p\xC3\xA4ss word\n");
  struct Row {
    const char* what;
    std::vector<std::string> pack, extract;
  };
  const Row rows[] = {
      {"deflate", {}, {}},
      {"fastest level", {"-1"}, {}},
      {"password", {"--password-file", dir.Native("pw")}, {"--password", "p\xC3\xA4ss word"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    RunTool({"rm", "-rf", dir.Native("x"), dir.Native("out.exe")});
    RunResult r = Pack(row.pack, {dir.Native("src")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::vector<std::string> x = {"extract", "-q"};
    x.insert(x.end(), row.extract.begin(), row.extract.end());
    x.insert(x.end(), {dir.Native("out.exe"), dir.Native("x")});
    RunResult e = Mksfx(x);
    EXPECT_EQ(e.exitCode, 0) << e.out;
    for (const TreeFile& f : Files()) {
      SCOPED_TRACE(f.name);
      EXPECT_TRUE(ReadBytes(dir.Native("x/" + f.written)) ==
                  std::vector<uint8_t>(f.content.begin(), f.content.end()));
      EXPECT_EQ(MTime(dir.Native("x/" + f.written)), MTime(dir.Native("src/" + f.name)) + 1);
    }
    struct stat st;
    EXPECT_TRUE(::stat((dir.Native("x/empty folder")).c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    // unzip and 7z take the password's bytes as the stub holds them.
    std::string stubPassword = row.extract.empty() ? "" : "p\xE4ss word";
    std::string pw = row.extract.empty() ? "" : "-P" + stubPassword;
    EXPECT_EQ(RunTool({"unzip", "-tq", pw.empty() ? "-q" : pw, dir.Native("out.exe")}).exitCode, 0);
    EXPECT_EQ(RunTool({"7z", "t", pw.empty() ? "-p-" : "-p" + stubPassword, dir.Native("out.exe")}).exitCode,
              0);
  }
}

TEST_F(PackTree, FilesContributeTheirBaseNameAndALargeFileRoundTrips) {
  // 100 MB and one byte, mostly zeros with patterned blocks.
  ASSERT_EQ(RunTool({"truncate", "-s", "100000001", dir.Native("big.bin")}).exitCode, 0);
  ASSERT_EQ(RunTool({"sh", "-c", "head -c 3000000 /dev/urandom | dd of=big.bin bs=1M seek=40 "
                                 "conv=notrunc status=none"}, dir.Native()).exitCode, 0);
  RunResult r = Pack({"-1"}, {dir.Native("big.bin"), dir.Native("src/readme.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  RunResult e = Mksfx({"extract", dir.Native("out.exe"), dir.Native("x")});
  EXPECT_EQ(e.exitCode, 0) << e.out;
  EXPECT_NE(e.out.find("extracting " + dir.Native() + "/x/big.bin\n"), std::string::npos) << e.out;
  EXPECT_EQ(RunTool({"cmp", dir.Native("big.bin"), dir.Native("x/big.bin")}).exitCode, 0);
  EXPECT_EQ(ReadBytes(dir.Native("x/readme.txt")).size(), Files()[0].content.size());
}

TEST_F(PackTree, WhatCannotBePackedIsNamedWithItsReason) {
  RunTool({"mkdir", "-p", dir.Native("bad/Docs"), dir.Native("bad/docs"), dir.Native("loop/inner")});
  WriteNativeFile(dir.Native("bad/Docs/a.txt"), "1");
  WriteNativeFile(dir.Native("bad/docs/a.txt"), "2");
  WriteNativeFile(dir.Native("bad/\xE6\x97\xA5\xE6\x9C\xAC.txt"), "cjk");
  WriteNativeFile(dir.Native("bad/con.txt"), "device");
  WriteNativeFile(dir.Native("bad/trail."), "dot");
  WriteNativeFile(dir.Native("bad/trail"), "no dot");
  // 200 + "/" + 60 bytes: longer than the stub's 256 (no single Linux name can be).
  RunTool({"mkdir", "-p", dir.Native("bad/" + std::string(200, 'n'))});
  WriteNativeFile(dir.Native("bad/" + std::string(200, 'n') + "/" + std::string(60, 'm')), "long");
  RunTool({"ln", "-s", "nowhere", dir.Native("bad/dangling")});
  RunTool({"ln", "-s", "..", dir.Native("loop/inner/up")});
  WriteNativeFile(dir.Native("long-pw"), std::string(80, 'p'));
  struct Row {
    std::vector<std::string> options, inputs;
    std::string output;
    const char* message;
  };
  const Row rows[] = {
      {{}, {dir.Native("bad")}, "out.exe", "\"docs/a.txt\": the same name as \"Docs/a.txt\" on Windows"},
      {{}, {dir.Native("bad")}, "out.exe", "the same name as \"trail"},
      {{}, {dir.Native("bad")}, "out.exe", "the character U+65E5 has no byte in Windows code page 1252"},
      {{}, {dir.Native("bad")}, "out.exe", "\"con.txt\": a name the stub refuses: a reserved device name"},
      {{}, {dir.Native("bad")}, "out.exe", "name longer than 256 bytes, the stub's limit"},
      {{}, {dir.Native("bad")}, "out.exe", "\"dangling\": symbolic link to something that does not exist"},
      {{}, {dir.Native("loop")}, "out.exe", "\"inner/up\": symbolic link to a folder that contains it"},
      {{},
       {dir.Native("src/readme.txt"), dir.Native("src/a/b/c/d/e/f/g/h/i/j/deep.txt"), dir.Native("readme.txt")},
       "out.exe", "cannot open"},
      {{}, {dir.Native("src/readme.txt"), dir.Native("src")}, "out.exe",
       "\"readme.txt\": the same name as \"readme.txt\""},
      {{"--password-file", dir.Native("long-pw")}, {dir.Native("src")}, "out.exe",
       "has 80 characters; the stub's password prompt takes at most 79"},
      {{}, {dir.Native("src")}, "src", "is a folder"},
      {{}, {dir.Native("src/readme.txt")}, "src/readme.txt", "is also an INPUT"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    RunResult r = Pack(row.options, row.inputs, row.output);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    EXPECT_FALSE(dir.Exists("out.exe"));
  }
  // One refusal lists every problem once.
  RunResult r = Pack({}, {dir.Native("bad")});
  EXPECT_NE(r.err.find("mksfx: 6 of the inputs cannot be packed:\n"), std::string::npos) << r.err;
  EXPECT_EQ(Pack({"--codepage", "1251"}, {dir.Native("bad/Docs")}).exitCode, 0);
  // An output inside the input folder is not packed into the next output.
  EXPECT_EQ(Pack({}, {dir.Native("src")}, "src/inside.exe").exitCode, 0);
  r = Pack({}, {dir.Native("src")}, "src/inside.exe");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("inside.exe is the output and is left out"), std::string::npos) << r.err;
  RunTool({"rm", dir.Native("src/inside.exe")});
  EXPECT_EQ(Pack({"--codepage", "437"}, {dir.Native("src")}).exitCode, 2);
}

TEST_F(PackTree, TheSameInputsGiveTheSameBytes) {
  WriteNativeFile(dir.Native("pw"), "secret");
  for (const char* password : {"", "pw"}) {
    SCOPED_TRACE(password);
    std::vector<std::string> options;
    if (*password) options = {"--password-file", dir.Native(password)};
    std::vector<std::string> env = {"env", "SOURCE_DATE_EPOCH=1600000000", "TZ=Asia/Tokyo", MKSFX_BINARY,
                                    "pack", "--stub", dir.Native("stub.exe")};
    env.insert(env.end(), options.begin(), options.end());
    std::vector<std::string> first = env, second = env;
    first.insert(first.end(), {dir.Native("src"), dir.Native("one.exe")});
    second.insert(second.end(), {dir.Native("src"), dir.Native("two.exe")});
    ASSERT_EQ(RunTool(first).exitCode, 0);
    RunTool({"touch", dir.Native("src/readme.txt")});  // newer than the epoch: clamped to it
    second[2] = "TZ=America/New_York";
    ASSERT_EQ(RunTool(second).exitCode, 0);
    EXPECT_TRUE(ReadBytes(dir.Native("one.exe")) == ReadBytes(dir.Native("two.exe")));
  }
}

// Each entry's encryption header but its check byte, decrypted by the stub's code.
std::vector<std::string> PlainHeaders(const std::string& sfx, const std::string& password) {
  EnsureCrcTable();
  std::vector<std::string> headers;
  for (const LocalEntryView& e : ReadLocalEntries(sfx)) {
    if (!(e.flags & 1)) continue;  // a folder
    InitKeys(Engine.Keys, password.c_str());
    headers.emplace_back();
    for (size_t i = 0; i < 11; ++i) {
      headers.back() += (char)(sfx[e.dataAt + i] ^ DecryptByte(Engine.Keys));
      UpdateKeys(Engine.Keys, (uint8_t)headers.back().back());
    }
  }
  return headers;
}

// With SOURCE_DATE_EPOCH the headers differ by password and by entry.
TEST_F(PackTree, ReproducibleEncryptionHeadersNeedThePassword) {
  std::vector<std::vector<std::string>> headers;
  for (const char* password : {"first secret", "second secret"}) {
    WriteNativeFile(dir.Native("pw"), password);
    ASSERT_EQ(RunTool({"env", "SOURCE_DATE_EPOCH=1600000000", MKSFX_BINARY, "pack", "--stub",
                       dir.Native("stub.exe"), "--password-file", dir.Native("pw"), dir.Native("src"),
                       dir.Native("out.exe")}).exitCode, 0);
    headers.push_back(PlainHeaders(dir.Read("out.exe"), password));
    ASSERT_EQ(headers.back().size(), Files().size());
    EXPECT_NE(headers.back()[0], headers.back()[1]);
  }
  EXPECT_NE(headers[0][0], headers[1][0]);
}

// SHA-256 padded into a second block; HMAC of RFC 4231 cases 2 and 6 (a key
// longer than a block).
TEST(Sha256, PublishedVectors) {
  auto hex = [](const Sha256Digest& d) {
    std::string s;
    for (uint8_t b : d) s += "0123456789abcdef"[b >> 4], s += "0123456789abcdef"[b & 15];
    return s;
  };
  EXPECT_EQ(hex(Sha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(hex(HmacSha256("Jefe", "what do ya want for nothing?")),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
  EXPECT_EQ(hex(HmacSha256(std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First")),
            "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");
}

// extract finds a file or folder as Windows does, whatever the case of its
// spelling on disk, and a new file takes the archive's spelling.
TEST_F(PackTree, ExtractMeetsExistingNamesWhateverTheirCase) {
  for (const char* name : {"a/b.txt", "a/c.txt", "a/new.txt"}) dir.Write(std::string("case/") + name, name);
  ASSERT_EQ(Pack({}, {dir.Native("case")}, "case.exe").exitCode, 0);
  const struct {
    std::vector<std::string> before;  // under x/, each holding "old"
    std::string after;                // every file under x/, sorted
  } rows[] = {
      {{"a/B.TXT", "a/c.TXT"}, "a/B.TXT=a/b.txt a/c.TXT=a/c.txt a/new.txt=a/new.txt"},
      {{"A/b.txt"}, "A/b.txt=a/b.txt A/c.txt=a/c.txt A/new.txt=a/new.txt"},
  };
  for (const auto& row : rows) {
    RunTool({"rm", "-rf", dir.Native("x")});
    for (const std::string& name : row.before) dir.Write("x/" + name, "old");
    RunResult e = Mksfx({"extract", "-q", "--overwrite", "overwrite", dir.Native("case.exe"), dir.Native("x")});
    EXPECT_EQ(e.exitCode, 0) << e.out;
    std::string after = RunTool({"sh", "-c", "for f in $(find . -type f | sort); do printf '%s=%s ' "
                                             "\"${f#./}\" \"$(cat $f)\"; done"}, dir.Native("x")).out;
    EXPECT_EQ(after, row.after + " ");
  }
}

TEST_F(PackTree, SettingsAreKeptWhenASelfExtractorIsPackedAgain) {
  ASSERT_EQ(Pack({"--caption", "Setup", "--overwrite", "skip", "--run", "><readme.txt"}, {dir.Native("src")}).exitCode, 0);
  RunResult r = Pack({"--keep-settings", "--caption", "Setup 2"}, {dir.Native("out.exe")}, "again.exe");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  RunResult info = Mksfx({"info", dir.Native("again.exe")});
  EXPECT_NE(info.out.find("caption:               \"Setup 2\""), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("overwrite mode:        skip"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("run command:           \"><readme.txt\""), std::string::npos) << info.out;
  r = Pack({}, {dir.Native("out.exe")}, "plain.exe");
  EXPECT_NE(r.err.find("settings of this self-extractor are not kept (--keep-settings keeps them)"),
            std::string::npos) << r.err;

  // extract speaks pack's vocabulary; each prompt is shown with its answer.
  ASSERT_EQ(Mksfx({"extract", "-q", dir.Native("again.exe"), dir.Native("x")}).exitCode, 0);
  RunResult e =
      Mksfx({"extract", "--overwrite", "ask", "--answer", "yes", dir.Native("again.exe"), dir.Native("x")});
  EXPECT_NE(e.out.find("\\readme.txt: answered yes\n"), std::string::npos) << e.out;  // the path in DIR
  EXPECT_NE(e.out.find("run after extraction: \"Z:"), std::string::npos) << e.out;
  EXPECT_EQ(Mksfx({"extract", "--overwrite", "always", dir.Native("again.exe"), dir.Native("x")}).exitCode, 2);
}

}  // namespace
