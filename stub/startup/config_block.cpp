// The configuration block and the settings it carries.
#include "../common/heap.h"
#include "../common/overwrite_policy.h"
#include "../extract/paths.h"
#include "startup.h"

// Reads a text of `length` bytes into `text` and terminates it after the
// bytes that actually arrived: a block cut short yields a shorter text, never
// stale memory.
static void ReadText(char* text, DWORD length) { text[ReadArchive(text, length)] = 0; }

static char* ReadHeapText(DWORD length) {
  char* text = (char*)TakeMemory(length + 1);
  ReadText(text, length);
  return text;
}

void ResetSettings() {
  ReleaseMemory(Engine.SfxSettings.InfoText);
  ReleaseMemory(Engine.SfxSettings.InfoCaption);
  // Field by field: a defaults record would cost its 800 bytes in the image.
  Settings& s = Engine.SfxSettings;
  char* bytes = (char*)&s;
  for (unsigned i = 0; i < sizeof s; ++i) bytes[i] = 0;
  s.ShowRunCheckBox = TRUE;
  s.SelectableFileList = TRUE;
  s.OverwriteButtonId = IDC_MAIN_ASK;
}

// Room for the default folder with its environment variables expanded; more
// than the 260 characters it is cut to afterwards, so that a folder too long
// stays too long (the main dialog refuses it) instead of being cut to another.
const int kExpandedFolderSize = 4 * kSettingTextSize;

// The default folder: the /D= switch's, else the block's.  "><" stands for
// the temporary folder.  Environment variables are expanded, and a relative
// folder is taken from the current folder.
static void SettleDefaultFolder() {
  Settings& s = Engine.SfxSettings;
  char* folder = s.DefaultFolder;
  if (Engine.FolderSwitch) {
    // Up to a closing quote, when the folder has one; trailing blanks go
    // with the full path.
    const char* from = Engine.FolderSwitch + (*Engine.FolderSwitch == '"');
    int n = 0;
    while (from[n] && from[n] != '"' && n < kSettingTextSize - 1) folder[n] = from[n], ++n;
    folder[n] = 0;
    s.HasDefaultFolder = TRUE;
  }
  if (!s.HasDefaultFolder) return;
  if (folder[0] == kTempFolderMark[0] && folder[1] == kTempFolderMark[1] && !folder[2]) {
    GetTempPathA(MAX_PATH, folder);
    return;
  }
  char expanded[kExpandedFolderSize];
  ExpandEnvironmentStringsA(folder, expanded, kExpandedFolderSize);
  expanded[kExpandedFolderSize - 1] = 0;
  // Where the full path cannot be made (an empty folder, one too long) the
  // folder stays as expanded.
  AppendText(folder, 0, kSettingTextSize, expanded);
  GetFullPathNameA(expanded, kSettingTextSize, folder, nullptr);
}

bool ReadBlock() {
  uint8_t fixed[kBlockFixedSize] = {};
  SeekArchive(Engine.ArchiveStart, FILE_BEGIN);
  if (ReadArchive(fixed, kBlockMagicSize) < kBlockMagicSize) return false;
  // A fixed part cut short by the end of the file is no block either.
  if (!IsBlockMagic(fixed) ||
      ReadArchive(fixed + kBlockMagicSize, kBlockFixedSize - kBlockMagicSize) < kBlockFixedSize - kBlockMagicSize) {
    // No block: with a locator result this steps from where the block would
    // have been to the archive; without one the archive is expected at 0x5400.
    Engine.ArchiveStart += Engine.BlockLength;
    return false;
  }

  Settings& s = Engine.SfxSettings;
  uint8_t flags = fixed[kBlockFlags];
  if (!(flags & kFlagShowRunCheckBox)) s.ShowRunCheckBox = FALSE;
  if (!(flags & kFlagSelectableFileList)) s.SelectableFileList = FALSE;
  if (flags & kFlagHideOverwriteChoice) s.HideOverwriteChoice = TRUE;
  // Only a field naming a mode moves the button from ResetSettings' "ask".
  if (PolicyOfFlags(flags) == kOverwriteAll) s.OverwriteButtonId = ButtonOfPolicy(kOverwriteAll);
  if (PolicyOfFlags(flags) == kSkipExisting) s.OverwriteButtonId = ButtonOfPolicy(kSkipExisting);
  if (flags & kFlagAutoExtract) s.AutoExtract = TRUE;
  if (flags & (kFlagWaitForProgram | kFlagTempCleanup)) s.WaitForProgram = TRUE;
  if (flags & kFlagTempCleanup) s.TempCleanup = TRUE;

  uint8_t captionLength = fixed[kBlockCaptionLength], folderLength = fixed[kBlockFolderLength],
          commandLength = fixed[kBlockCommandLength];
  uint16_t infoLength = (uint16_t)(fixed[kBlockInfoLength] | fixed[kBlockInfoLength + 1] << 8);
  uint8_t infoCaptionLength = fixed[kBlockInfoCaptionLength];
  if (captionLength) s.HasCaption = TRUE;
  if (folderLength) s.HasDefaultFolder = TRUE;
  if (commandLength) s.HasRunCommand = TRUE;
  if (infoLength) s.HasInfoText = TRUE;
  if (infoCaptionLength) s.HasInfoCaption = TRUE;

  s.Caption[0] = 0;
  if (captionLength) ReadText(s.Caption, captionLength);
  if (folderLength) ReadText(s.DefaultFolder, folderLength);
  s.RunCommand[0] = 0;
  if (commandLength) ReadText(s.RunCommand, commandLength);
  s.InfoText = infoLength ? ReadHeapText(infoLength) : nullptr;
  s.InfoCaption = infoCaptionLength ? ReadHeapText(infoCaptionLength) : nullptr;

  // The block length field is stepped over, not read: the archive follows it.
  Engine.ArchiveStart = SeekArchive(0, FILE_CURRENT) + kBlockLengthFieldSize;
  return true;
}

void FindConfigurationBlock() {
  ResetSettings();
  Engine.ArchiveStart = kDefaultArchiveStart;
  Engine.BlockLength = 0;
  Engine.CentralEntryCount = 0;
  if ((int32_t)GetFileSize(Engine.ArchiveFile, nullptr) > Engine.ArchiveStart) LocateArchive();
}

void ReadConfigurationBlock() {
  FindConfigurationBlock();
  ReadBlock();
  SettleDefaultFolder();
  if (Engine.Silent) {
    // Nobody is there to answer: the main dialog extracts at once, unseen,
    // and existing files are overwritten as after "yes to all".
    Engine.SfxSettings.AutoExtract = TRUE;
    if (Engine.SfxSettings.OverwriteButtonId == IDC_MAIN_ASK) Engine.SfxSettings.OverwriteButtonId = IDC_MAIN_OVERWRITE;
  }
}
