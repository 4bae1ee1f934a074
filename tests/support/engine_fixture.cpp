// The engine fixture shared by the start-up and walk tests.
#include "engine_fixture.h"

#include <string.h>

#include "exit_guard.h"
#include "common/heap.h"
#include "common/made_list.h"
#include "test_platform.h"

void ResetEngineState() {
  ResetEngine();
  ResetSettings();
}

void EngineTest::SetUp() {
  test_platform::Reset();
  GuardProcessExit();
  scripted::Reset();
  ResetEngineState();
  ReleaseMemory(Engine.CrcTable);  // another suite may have left one
  Engine.CrcTable = (uint32_t*)TakeMemory(kCrcTableBytes);
  BuildCrcTable();
  dialog = CreateEngineDialog();
  ASSERT_NE(dialog, nullptr) << "no window could be made: under Wine the tests need a display";
}

void EngineTest::TearDown() {
  RemoveMade();  // what a temporary extraction made
  if (Engine.ArchiveFile != INVALID_HANDLE_VALUE) CloseHandle(Engine.ArchiveFile);
  Engine.ArchiveFile = INVALID_HANDLE_VALUE;
  DestroyEngineDialog(dialog);
  ReleaseMemory(Engine.CrcTable);
  Engine.CrcTable = nullptr;
  ResetEngineState();
}

void EngineTest::OpenSfx(const std::string& bytes) {
  if (Engine.ArchiveFile != INVALID_HANDLE_VALUE) CloseHandle(Engine.ArchiveFile);
  Engine.ArchiveFile = INVALID_HANDLE_VALUE;
  temp.Write("sfx.exe", bytes);
  sfxWinPath = temp.Win("sfx.exe");
  test_platform::SetModuleFileName(sfxWinPath);
  Engine.ArchiveFile = CreateFileA(sfxWinPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(Engine.ArchiveFile, INVALID_HANDLE_VALUE);
}

void EngineTest::CloseSfx() {
  if (Engine.ArchiveFile != INVALID_HANDLE_VALUE) CloseHandle(Engine.ArchiveFile);
  Engine.ArchiveFile = INVALID_HANDLE_VALUE;
  ResetSettings();
}

void EngineTest::LoadSfx(const std::string& bytes) {
  OpenSfx(bytes);
  ReadConfigurationBlock();
}

std::vector<std::string> EngineTest::ListEntries() {
  WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, true);
  return ListItems(dialog, IDC_MAIN_ENTRY_LIST);
}

void EngineTest::ExtractAll(const std::string& dest) {
  ListEntries();
  SelectAllItems(dialog, IDC_MAIN_ENTRY_LIST);
  ExtractAgain(dest);
}

void EngineTest::ExtractAgain(const std::string& dest) {
  temp.MakeFolder(dest);
  std::string folder = temp.Win(dest);
  ASSERT_LT(folder.size(), sizeof Engine.DestFolder);
  strcpy(Engine.DestFolder, folder.c_str());
  WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, false);
}
