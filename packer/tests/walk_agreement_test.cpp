// Over the walk fuzz target's corpus, the entries check says the stub
// extracts are the ones the stub's own walk extracts, and no others.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include <sstream>

#include "engine_console.h"
#include "errors.h"
#include "stub_compat.h"
#include "stub_engine.h"
#include "stub_locator.h"
#include "support/test_files.h"

namespace {

const char kPassword[] = "pw";  // the corpus's encrypted seeds'

// What the stub extracts, each entry selected alone into an empty folder
// (so that neither an earlier entry's end of the walk nor another's name
// decides), and where its walk starts (-1: no archive found).
std::set<std::string> StubExtracts(const std::string& path, bool runStartUp, TempFolder& temp, int64_t& start) {
  std::set<std::string> extracted, failed;
  InputFile file(path);
  std::ostringstream shown;  // the stub's messages and prompts, not looked at
  Console().out = &shown;
  HWND dialog = HostCreateDialog();
  HostAddListBox(dialog, IDC_MAIN_ENTRY_LIST, true);
  HostAddStatic(dialog, IDC_MAIN_STATUS);
  HWND list = GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST);
  // A walk with item `select` (-1: all) selected, on a fresh engine and
  // after the start-up (no password or choice of an earlier walk carries
  // over): whether each item was extracted.
  auto walk = [&](int select) {
    EngineRun run(file);
    if (runStartUp) ReadConfigurationBlock();
    // A file no longer than the stub's image is not searched: no archive.
    start = runStartUp && !Engine.EndRecordAt ? -1 : Engine.ArchiveStart;
    Console().passwords = {kPassword};
    Engine.OverwriteMode = kOverwriteAll;
    WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, true);
    SendMessageA(list, LB_SETSEL, TRUE, (LPARAM)select);
    std::filesystem::remove_all(temp.Native("out"));
    temp.MakeFolder("out");
    snprintf(Engine.DestFolder, sizeof Engine.DestFolder, "%s", temp.Win("out").c_str());
    std::vector<bool> done;
    try {
      WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, false);
      for (LRESULT i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) done.push_back(!SendMessageA(list, LB_GETSEL, i, 0));
    } catch (const EngineEnded&) {
      done.clear();  // the fatal report: nothing counts
    }
    return done;
  };
  start = -1;
  try {
    std::vector<bool> all = walk(-1);
    std::vector<std::string> names;
    for (LRESULT i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
      char text[kLongestEntryName + 1];
      SendMessageA(list, LB_GETTEXT, i, (LPARAM)text);
      names.push_back(text);
    }
    for (size_t i = 0; i < names.size(); ++i) {
      bool alone = i < all.size() && all[i];
      if (!alone) {
        std::vector<bool> once = walk((int)i);
        alone = i < once.size() && once[i];
      }
      (alone ? extracted : failed).insert(names[i]);
    }
  } catch (const EngineEnded&) {
    start = -1;  // the locator found no archive
    extracted.clear();
  }
  HostDestroyDialog(dialog);
  Console().out = nullptr;
  for (const std::string& name : failed) extracted.erase(name);
  return extracted;
}

// The entries check says the stub extracts, by the names the stub lists,
// less any name that also fails; `unjudged`: names check gives no verdict.
std::set<std::string> PackerPasses(const InputFile& file, int64_t start, std::set<std::string>& unjudged) {
  std::unique_ptr<ArchiveLayout> layout;
  try {
    layout.reset(new ArchiveLayout(ReadArchiveLayout(file)));
  } catch (const Refusal&) {
  }
  std::set<std::string> clean, failed;
  if (start < 0) return clean;
  const std::vector<std::string> passwords = {kPassword};
  for (const WalkedHeader& h : JudgeLikeTheStub(file, start, layout.get(), nullptr, &passwords).headers)
    (h.extracted ? clean : h.judged ? failed : unjudged).insert(h.name);
  for (const std::string& name : failed) clean.erase(name);
  return clean;
}

TEST(WalkAgreement, PackerAndStubAgreeOnEveryEntryOfTheWalkCorpus) {
  TempFolder temp;
  std::string input = temp.Native("input.exe");
  int compared = 0;
  for (const auto& seed : std::filesystem::directory_iterator(std::string(SFX_SOURCE_DIR) + "/fuzz/corpus/walk")) {
    std::string bytes = ReadNativeFile(seed.path().string());
    if (bytes.empty()) continue;
    WriteNativeFile(input, bytes.substr(1, 65536));  // as the fuzz target reads it; bit 0 of byte 0: start-up
    InputFile file(input);
    int64_t start;
    std::set<std::string> stub = StubExtracts(input, bytes[0] & 1, temp, start);
    int64_t located = 0;  // without start-up the walk begins at 0
    if (bytes[0] & 1) {
      StubLocation where = LocateLikeTheStub(file);
      located = where.archiveFound ? where.firstHeaderPos : -1;
    }
    EXPECT_EQ(located, start) << seed.path().filename();
    std::set<std::string> unjudged;
    std::set<std::string> packer = PackerPasses(file, located, unjudged);
    for (const std::string& name : unjudged) stub.erase(name);
    EXPECT_EQ(packer, stub) << seed.path().filename();
    compared += !packer.empty() || !stub.empty();
  }
  EXPECT_GT(compared, 300);  // inputs where either extracts something
}

}  // namespace
