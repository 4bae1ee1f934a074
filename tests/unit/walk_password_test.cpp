// Encrypted entries in the walk: the remembered password, the prompts, and
// the end of the walk after three wrong answers.
#include "support/engine_fixture.h"
#include "support/test_platform.h"

namespace {

using WalkPasswordTest = EngineTest;

TEST_F(WalkPasswordTest, NoPasswordYetAsksAndAWrongThenRightAnswerExtracts) {
  LoadSfx(BuildSfx({File("one.txt", "first secret", "open sesame")}, BlockFields()));
  scripted::passwords = {"wrong", "open sesame"};
  bool busyDuringPrompt = true;
  scripted::onPrompt = [&] {
    busyDuringPrompt = Engine.Busy;
    if (test_platform::Observable()) {
      EXPECT_EQ(test_platform::CurrentCursor(), IDC_ARROW);
    }
  };
  ExtractAll();
  EXPECT_EQ(scripted::passwordPrompts, 2);
  EXPECT_FALSE(busyDuringPrompt);
  EXPECT_EQ(Out("one.txt"), "first secret");
  EXPECT_STREQ(Engine.Password, "open sesame");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
}

TEST_F(WalkPasswordTest, RememberedPasswordIsTriedFirstAndReplacedWhenItFails) {
  LoadSfx(BuildSfx({File("a", "alpha", "pw1"), File("b", "bravo", "pw1"), File("c", "charlie", "pw2"),
                    File("d", "delta", "pw2")},
                   BlockFields()));
  scripted::passwords = {"pw1", "pw2"};
  ExtractAll();
  // One prompt for a (nothing remembered), none for b, one for c, none for d.
  EXPECT_EQ(scripted::passwordPrompts, 2);
  EXPECT_EQ(Out("a") + Out("b") + Out("c") + Out("d"), "alphabravocharliedelta");
  EXPECT_STREQ(Engine.Password, "pw2");
}

TEST_F(WalkPasswordTest, ThreeWrongPasswordsEndTheWalkSilently) {
  LoadSfx(BuildSfx({File("before.txt", "kept"), File("locked.txt", "x", "right"), File("after.txt", "a")},
                   BlockFields()));
  scripted::passwords = {"one", "two", "three", "right"};
  ExtractAll();
  EXPECT_EQ(scripted::passwordPrompts, 3);
  EXPECT_EQ(Out("before.txt"), "kept");
  EXPECT_FALSE(temp.Exists("out/locked.txt"));
  EXPECT_FALSE(temp.Exists("out/after.txt"));
  EXPECT_TRUE(scripted::messages.empty());
  EXPECT_FALSE(Engine.ExtractionSucceeded);
  EXPECT_FALSE(Engine.Busy);
  // The third wrong text stays and is tried first next time.
  EXPECT_STREQ(Engine.Password, "three");
  ExtractAgain();
  EXPECT_EQ(scripted::passwordPrompts, 4);
  EXPECT_EQ(Out("locked.txt"), "x");
}

TEST_F(WalkPasswordTest, EmptyAnswerCountsAsAFailedAttempt) {
  LoadSfx(BuildSfx({File("s", "data", "pw")}, BlockFields()));
  scripted::passwords = {"", "", "pw"};
  ExtractAll();
  EXPECT_EQ(scripted::passwordPrompts, 3);
  EXPECT_EQ(Out("s"), "data");
}

TEST_F(WalkPasswordTest, OverlongAnswerIsCutTo79Characters) {
  std::string longPassword(79, 'p');
  LoadSfx(BuildSfx({File("s", "data", longPassword)}, BlockFields()));
  scripted::passwords = {longPassword + "tail"};
  ExtractAll();
  EXPECT_EQ(scripted::passwordPrompts, 1);
  EXPECT_EQ(Out("s"), "data");
}

TEST_F(WalkPasswordTest, PasswordIsAskedBeforeAnExistingFileIsLeftAlone) {
  temp.Write("out/s.txt", "old");
  LoadSfx(BuildSfx({File("s.txt", "new", "pw")}, BlockFields()));
  Engine.OverwriteMode = kSkipExisting;
  scripted::passwords = {"pw"};
  ExtractAll();
  EXPECT_EQ(scripted::passwordPrompts, 1);
  EXPECT_EQ(Out("s.txt"), "old");
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone});
}

TEST_F(WalkPasswordTest, StreamedHeadersCheckTheTimeByte) {
  ZipEntry streamed = File("streamed.txt", "time checked", "pw");
  streamed.flags = 0x0008;
  streamed.signedDescriptor = true;
  LoadSfx(BuildSfx({streamed}, BlockFields()));
  scripted::passwords = {"pw"};
  ExtractAll();
  EXPECT_EQ(scripted::passwordPrompts, 1);
  EXPECT_EQ(Out("streamed.txt"), "time checked");
}

struct ToolRow {
  const char* archive;
  const char* storedName;
  const char* storedFile;
};

class ToolCryptTest : public EngineTest, public ::testing::WithParamInterface<ToolRow> {};

TEST_P(ToolCryptTest, StoredEncryptedEntriesOfIndependentWriters) {
  std::string tools = std::string(SFX_SOURCE_DIR) + "/tests/data/tools/";
  LoadSfx(BuildSfxFromArchive(ReadNativeFile(tools + GetParam().archive)));
  scripted::passwords = {"s3cret"};
  ExtractAll();
  EXPECT_EQ(scripted::passwordPrompts, 1);
  EXPECT_EQ(Out("plain.txt"), ReadNativeFile(tools + "plain.txt"));
  EXPECT_EQ(Out(GetParam().storedName), ReadNativeFile(tools + GetParam().storedFile));
  EXPECT_EQ(scripted::messages, std::vector<RecordedMessage>{kAllDone}) << scripted::MessageLog();
}

INSTANTIATE_TEST_SUITE_P(StoredArchives, ToolCryptTest,
                         ::testing::Values(ToolRow{"infozip-store-crypt.zip", "data.bin", "data.bin"},
                                           ToolRow{"7z-store-crypt.zip", "data.bin", "data.bin"}),
                         [](const auto& row) { return RowName(row.index, row.param.archive); });

}  // namespace
