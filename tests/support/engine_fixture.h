// A test fixture holding the engine's run: the program's own file, the CRC
// table, the settings, the dialog the walk fills and the scripted prompts.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exit_guard.h"
#include "extract/extract.h"
#include "integrity/crc32.h"
#include "scripted_ui.h"
#include "startup/startup.h"
#include "test_dialog.h"
#include "test_files.h"
#include "zip_builder.h"

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes `bytes` as the self-extractor file and opens it as ArchiveFile.
  void OpenSfx(const std::string& bytes);
  // Closes ArchiveFile and resets the settings, for a test that loads another.
  void CloseSfx();
  // OpenSfx, then ReadConfigurationBlock (the locator runs as at start-up).
  void LoadSfx(const std::string& bytes);

  // A list-only walk into the entry list; its items.
  std::vector<std::string> ListEntries();
  // List-only walk, every item selected, extraction walk into `dest` (a
  // folder below the temporary folder, created when missing).
  void ExtractAll(const std::string& dest = "out");
  // The extraction walk alone, with the selection as it stands.
  void ExtractAgain(const std::string& dest = "out");

  std::string Out(const std::string& rel) const { return temp.Read("out/" + rel); }
  // The Windows path the engine names a file of out\ by ("sub\\b.txt").
  std::string OutWin(const std::string& rel) const { return temp.Win("out") + "\\" + rel; }

  TempFolder temp;
  HWND dialog = nullptr;
  std::string sfxWinPath;
};

// Engine state back to a fresh start: settings, walk state, password.
void ResetEngineState();
