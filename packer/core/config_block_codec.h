// The configuration block between the stub and the archive: the settings it
// carries and how mksfx encodes them.  The layout and its limits are
// common/config_format.h's, the stub's own; the stub's reader reads them
// back (stub_locator.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/config_format.h"
#include "common/overwrite_policy.h"

// The defaults equal what the stub assumes when a file carries no block.
struct BlockSettings {
  bool showRunCheckBox = true;
  bool selectableFileList = true;
  bool hideOverwriteChoice = false;
  OverwritePolicy overwrite = kAskEachFile;
  bool autoExtract = false;
  // tempCleanup waits too: the stub removes the folder once the program ends.
  bool waitForProgram = false;
  bool tempCleanup = false;  // the default folder is not used; a run command is needed
  std::string caption;
  std::string defaultFolder;  // "><" stands for the user's temporary folder
  std::string runCommand;     // program["|"parameters]; "><" = destination folder
  std::string infoText;
  std::string infoCaption;
};

uint8_t EncodeFlags(const BlockSettings& settings);

// The whole block, block length included.  Throws Refusal naming the text or
// the total that does not fit its length field, or a text holding a NUL byte
// (the stub would end the text there).
std::vector<uint8_t> BuildConfigurationBlock(const BlockSettings& settings);

// Whether `bytes`, from the magic to the archive's first local header, are
// laid out as BuildConfigurationBlock lays out a block: the five lengths
// and the overhead add up to its size, which the trailing length field
// holds.  The stub reads the magic alone; this is what only mksfx writes.
bool IsPackedBlock(const std::vector<uint8_t>& bytes);
