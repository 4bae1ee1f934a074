// Over the walk fuzz target's corpus, the entries mksfx calls clean (no stub
// problem, data that decode to their CRC) are the ones the stub's own walk
// extracts, and no others.
#include <gtest/gtest.h>

#include <filesystem>

#include "entry_data.h"
#include "errors.h"
#include "stub_compat.h"
#include "stub_locator.h"
#include "zip_crypto.h"
#include "extract/extract.h"
#include "integrity/zipcrypto.h"
#include "startup/startup.h"
#include "support/scripted_ui.h"
#include "support/test_dialog.h"
#include "support/test_files.h"
#include "support/test_platform.h"

namespace {

const char kPassword[] = "pw";  // the corpus's encrypted seeds'

// What the stub extracts, and where its walk starts (-1: no archive found).
// An entry that fails among all but alone lost to another's name (judged
// apart by the packer): it counts as extracted.
std::set<std::string> StubExtracts(const std::string& path, bool startUp, TempFolder& temp, int64_t& start) {
  std::set<std::string> extracted, failed;
  test_platform::Reset();
  ResetSettings();
  ResetStartupState();
  HWND dialog = CreateEngineDialog(), list = GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST);
  // A walk with item `select` (-1: all) selected; each item and whether it was extracted.
  auto walk = [&](int select) {
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
    std::vector<std::pair<std::string, bool>> items;
    for (size_t i = 0; i < names.size(); ++i) items.push_back({names[i], !SendMessageA(list, LB_GETSEL, i, 0)});
    return items;
  };
  TakeImageHeaders(InputFile(path));
  ArchiveFile = CreateFileA(test_platform::WindowsPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  start = -1;
  try {
    if (startUp) ReadConfigurationBlock();
    start = ArchiveStart;
    auto all = walk(-1);
    bool ended = false;  // false when the walk stopped at an entry it cannot pass
    for (const RecordedMessage& m : scripted::messages) ended |= m.text == kAllDone.text || m.text == kSomeFailed.text;
    for (size_t i = 0; i < all.size(); ++i)
      (all[i].second || (ended && walk((int)i)[i].second) ? extracted : failed).insert(all[i].first);
    CloseHandle(ArchiveFile);
  } catch (const EngineEnded&) {
    extracted.clear();
  }
  DestroyEngineDialog(dialog);
  ArchiveFile = INVALID_HANDLE_VALUE;
  ResetWalkState();
  ResetSettings();
  for (const std::string& name : failed) extracted.erase(name);
  return extracted;
}

// The entries mksfx calls clean, by the names the stub lists (the local
// header's, cut at a NUL and to the longest name).
std::set<std::string> PackerPasses(const InputFile& file, const ArchiveLayout& layout) {
  std::set<std::string> refused, clean, failed;
  for (const EntryFinding& f : FindStubProblems(file, layout))
    if (!f.stubExtracts) refused.insert(f.entry);
  for (const CentralEntry& e : layout.entries) {
    std::vector<uint8_t> h = file.ReadSome(e.localPos, kLocalHeaderSize);
    h.resize(kLocalHeaderSize);
    std::vector<uint8_t> raw = file.ReadSome(e.localPos + kLocalHeaderSize, Read16(&h[kLocalNameLength]));
    std::string name(raw.begin(), raw.end());
    name = name.substr(0, std::min(name.find('\0'), (size_t)kLongestEntryName));
    uint64_t at = e.localPos + kLocalHeaderSize + Read16(&h[kLocalNameLength]) + Read16(&h[kLocalExtraLength]);
    uint32_t size = Read32(&h[kLocalCompressedSize]), crc = Read32(&h[kLocalCrc]);
    uint16_t flags = Read16(&h[kLocalFlags]);
    bool passes = !refused.count(e.name) && at + size <= file.Size();
    if (passes && (flags & kFlagEncrypted)) {
      uint8_t block[2 * kEncryptionHeaderLength];
      std::vector<uint8_t> header = file.ReadAt(at, kEncryptionHeaderLength);
      std::copy(header.begin(), header.end(), block + kEncryptionHeaderLength);
      passes = CheckEncryptionHeader(block, kEncryptionHeaderLength, flags, crc, Read32(&h[kLocalTimeDate]), kPassword);
      at += kEncryptionHeaderLength;
      size -= kEncryptionHeaderLength;
    }
    if (passes) {
      DataCheck data = CheckEntryData(file, at, size, Read16(&h[kLocalMethod]), crc,
                                      Read32(&h[kLocalUncompressedSize]), flags & kFlagEncrypted);
      passes = data.problem.empty() || data.stubExtracts;
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
  for (const auto& seed : std::filesystem::directory_iterator(std::string(SFX_SOURCE_DIR) + "/fuzz/corpus/walk")) {
    std::string bytes = ReadNativeFile(seed.path().string());
    if (bytes.empty()) continue;
    WriteNativeFile(input, bytes.substr(1, 65536));  // as the fuzz target reads it; bit 0 of byte 0: start-up
    InputFile file(input);
    ArchiveLayout layout;
    try {
      layout = ReadArchiveLayout(file);
    } catch (const Refusal&) {
      continue;
    }
    int64_t start;
    std::set<std::string> stub = StubExtracts(input, bytes[0] & 1, temp, start);
    if ((int64_t)layout.firstLocalPos != start) continue;  // check then reports the archive as a whole
    EXPECT_EQ(PackerPasses(file, layout), stub) << seed.path().filename();
    ++compared;
  }
  EXPECT_GT(compared, 0);
}

}  // namespace
