// The packer's account of what the stub extracts (FindStubProblems, and the
// data check by the stub's decoder) against the stub's own walk, run through
// the stand-in as mksfx extract runs it, over the walk fuzz target's corpus:
// every entry the one calls clean the other extracts, and no other.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "archive_layout.h"
#include "entry_data.h"
#include "errors.h"
#include "file_io.h"
#include "stub_locator.h"
#include "stub_compat.h"
#include "zip_crypto.h"
#include "common/zip_format.h"
#include "extract/extract.h"
#include "integrity/zipcrypto.h"
#include "platform/host_control.h"
#include "startup/startup.h"
#include "support/scripted_ui.h"
#include "support/test_dialog.h"
#include "support/test_files.h"
#include "support/test_platform.h"

namespace {

// The password the corpus's encrypted seeds were made with; the stub's
// prompt gets it first, then empty answers.
const char kPassword[] = "pw";

// The walk fuzz target's first input byte: bit 0 runs the start-up code.
const uint8_t kRunStartUp = 0x01;

// The walk fuzz target reads at most this much of an input, its first byte
// apart.
const size_t kMaxInput = 65536;

struct StubRun {
  int64_t firstHeaderPos = -1;  // where the walk starts; -1 when the stub finds no archive
  std::set<std::string> extracted;
};

// One walk of the stub into an empty folder with the items `select` picks
// selected (all when it picks none).  Returns the items' names and whether
// each was extracted; `ended` tells whether the walk reached its closing
// message (it did not when it stopped at an entry it cannot go past).
std::vector<std::pair<std::string, bool>> Walk(HWND dialog, TempFolder& temp, int select, bool& ended) {
  HWND list = GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST);
  ResetWalkState();
  scripted::Reset();
  scripted::passwords = {kPassword};
  OverwriteMode = kOverwriteAll;
  WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, true);
  std::vector<std::string> names = ListItems(dialog, IDC_MAIN_ENTRY_LIST);
  SendMessageA(list, LB_SETSEL, TRUE, (LPARAM)select);
  std::filesystem::remove_all(temp.Native("out"));
  temp.MakeFolder("out");
  snprintf(DestFolder, sizeof DestFolder, "%s", temp.Win("out").c_str());
  WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, false);
  ended = false;
  for (const RecordedMessage& m : scripted::messages) ended |= m.text == kAllDone.text || m.text == kSomeFailed.text;
  std::vector<std::pair<std::string, bool>> items;
  for (size_t i = 0; i < names.size(); ++i)
    items.push_back({names[i], SendMessageA(list, LB_GETSEL, (WPARAM)i, 0) == 0});
  return items;
}

// The entries the stub extracts from `path` with every item selected, as a
// user runs it.  An entry that fails there but extracts alone failed because
// another entry's name stands in its way: the packer judges names that land
// on one file apart, so it counts as extracted here.  With `startUp`, the
// locator and the configuration reader find where the walk starts;
// otherwise it starts at offset 0, as the fuzz target runs it.
StubRun StubExtracts(const std::string& path, bool startUp, TempFolder& temp) {
  StubRun run;
  std::set<std::string> failed;
  test_platform::Reset();
  ResetSettings();
  ResetStartupState();
  HWND dialog = CreateEngineDialog();
  std::string win = test_platform::WindowsPath(path);
  TakeImageHeaders(InputFile(path));
  ArchiveFile = CreateFileA(win.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  try {
    if (startUp) ReadConfigurationBlock();
    run.firstHeaderPos = ArchiveStart;
    bool ended;
    std::vector<std::pair<std::string, bool>> all = Walk(dialog, temp, -1, ended);
    for (size_t i = 0; i < all.size(); ++i) {
      bool alone;
      bool done = all[i].second || (ended && Walk(dialog, temp, (int)i, alone)[i].second);
      (done ? run.extracted : failed).insert(all[i].first);
    }
    CloseHandle(ArchiveFile);
  } catch (const EngineEnded&) {
    run.extracted.clear();
  }
  DestroyEngineDialog(dialog);
  ArchiveFile = INVALID_HANDLE_VALUE;
  ResetWalkState();
  ResetSettings();
  for (const std::string& name : failed) run.extracted.erase(name);
  return run;
}

// An entry's name as the stub lists it: its local header's, cut at a NUL
// and to the stub's longest name.
std::string ListedName(const InputFile& file, uint64_t localPos) {
  std::vector<uint8_t> h = file.ReadSome(localPos, kLocalHeaderSize);
  if (h.size() < kLocalHeaderSize) return "";
  std::vector<uint8_t> raw = file.ReadSome(localPos + kLocalHeaderSize, Read16(&h[kLocalNameLength]));
  std::string name(raw.begin(), raw.end());
  return name.substr(0, std::min(name.find('\0'), (size_t)kLongestEntryName));
}

// Names of the entries the packer calls clean: no finding that the stub
// fails them, and their data decode to their CRC (an encrypted one's with
// kPassword).
std::set<std::string> PackerPasses(const InputFile& file, const ArchiveLayout& layout) {
  std::set<std::string> clean, failed, refused;
  for (const EntryFinding& f : FindStubProblems(file, layout))
    if (!f.stubExtracts) refused.insert(f.entry);
  for (const CentralEntry& e : layout.entries) {
    std::string name = ListedName(file, e.localPos);
    bool passes = !refused.count(e.name);
    std::vector<uint8_t> h = file.ReadSome(e.localPos, kLocalHeaderSize);
    if (passes) {
      uint64_t dataPos = e.localPos + kLocalHeaderSize + Read16(&h[kLocalNameLength]) +
                         Read16(&h[kLocalExtraLength]);
      uint32_t size = Read32(&h[kLocalCompressedSize]);
      uint16_t flags = Read16(&h[kLocalFlags]);
      bool encrypted = flags & kFlagEncrypted;
      passes = dataPos + size <= file.Size();
      if (passes && encrypted) {
        uint8_t block[2 * kEncryptionHeaderLength];
        std::vector<uint8_t> header = file.ReadAt(dataPos, kEncryptionHeaderLength);
        std::copy(header.begin(), header.end(), block + kEncryptionHeaderLength);
        passes = CheckEncryptionHeader(block, kEncryptionHeaderLength, flags, Read32(&h[kLocalCrc]),
                                       Read32(&h[kLocalTimeDate]), kPassword);
        dataPos += kEncryptionHeaderLength;
        size -= kEncryptionHeaderLength;
      }
      if (passes) {
        DataCheck data = CheckEntryData(file, dataPos, size, Read16(&h[kLocalMethod]),
                                        Read32(&h[kLocalCrc]), Read32(&h[kLocalUncompressedSize]), encrypted);
        passes = data.problem.empty() || data.stubExtracts;
      }
    }
    (passes ? clean : failed).insert(name);
  }
  for (const std::string& name : failed) clean.erase(name);
  return clean;
}

TEST(WalkAgreement, PackerAndStubAgreeOnEveryEntryOfTheWalkCorpus) {
  EnsureCrcTable();
  TempFolder temp;
  std::string input = temp.Native("input.exe");
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(SFX_SOURCE_DIR) + "/fuzz/corpus/walk")) {
    std::string bytes = ReadNativeFile(entry.path().string());
    if (bytes.empty()) continue;
    WriteNativeFile(input, bytes.substr(1, kMaxInput));
    InputFile file(input);
    ArchiveLayout layout;
    try {
      layout = ReadArchiveLayout(file);
    } catch (const Refusal&) {
      continue;  // no archive the packer reads: nothing to compare per entry
    }
    StubRun stub = StubExtracts(input, bytes[0] & kRunStartUp, temp);
    // Where the stub starts elsewhere, check reports the archive as a whole.
    if ((int64_t)layout.firstLocalPos != stub.firstHeaderPos) continue;
    EXPECT_EQ(PackerPasses(file, layout), stub.extracted) << entry.path().filename();
    ++compared;
  }
  EXPECT_GT(compared, 0);
}

}  // namespace
