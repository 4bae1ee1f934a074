// The configuration block and the settings it carries.
#include "../common/heap.h"
#include "../extract/overwrite_policy.h"
#include "../extract/paths.h"
#include "startup.h"

// Zero-filled in the image (its 800 bytes cost nothing there); the defaults
// are set by ResetSettings before the block is read.
Settings SfxSettings;

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
  ReleaseMemory(SfxSettings.InfoText);
  ReleaseMemory(SfxSettings.InfoCaption);
  // Field by field: a defaults record would cost its 800 bytes in the image.
  Settings& s = SfxSettings;
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
  Settings& s = SfxSettings;
  char* folder = s.DefaultFolder;
  if (FolderSwitch) {
    // Up to a closing quote, when the folder has one; trailing blanks go
    // with the full path.
    const char* from = FolderSwitch + (*FolderSwitch == '"');
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

// The block, when there is one where the locator left ArchiveStart.
static void ReadBlock() {
  uint8_t fixed[kBlockFixedSize] = {};
  SeekArchive(ArchiveStart, FILE_BEGIN);
  if (ReadArchive(fixed, kBlockMagicSize) < kBlockMagicSize) return;
  // A fixed part cut short by the end of the file is no block either.
  if (!IsBlockMagic(fixed) ||
      ReadArchive(fixed + kBlockMagicSize, kBlockFixedSize - kBlockMagicSize) < kBlockFixedSize - kBlockMagicSize) {
    // No block: with a locator result this steps from where the block would
    // have been to the archive; without one the archive is expected at 0x5400.
    ArchiveStart += BlockLength;
    return;
  }

  Settings& s = SfxSettings;
  uint8_t flags = fixed[kBlockFlags];
  if (!(flags & kFlagShowRunCheckBox)) s.ShowRunCheckBox = FALSE;
  if (!(flags & kFlagSelectableFileList)) s.SelectableFileList = FALSE;
  if (flags & kFlagHideOverwriteChoice) s.HideOverwriteChoice = TRUE;
  // Only a field naming a mode moves the button from ResetSettings' "ask".
  if (PolicyOfFlags(flags) == kOverwriteAll) s.OverwriteButtonId = ButtonOfPolicy(kOverwriteAll);
  if (PolicyOfFlags(flags) == kSkipExisting) s.OverwriteButtonId = ButtonOfPolicy(kSkipExisting);
  if (flags & kFlagAutoExtract) s.AutoExtract = TRUE;

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
  ArchiveStart = SeekArchive(0, FILE_CURRENT) + kBlockLengthFieldSize;
}

void ReadConfigurationBlock() {
  ResetSettings();
  ArchiveStart = kDefaultArchiveStart;
  BlockLength = 0;
  CentralEntryCount = 0;
  if ((int32_t)GetFileSize(ArchiveFile, nullptr) > ArchiveStart) LocateArchive();
  ReadBlock();
  SettleDefaultFolder();
  if (Silent) {
    // Nobody is there to answer: the main dialog extracts at once, unseen,
    // and existing files are overwritten as after "yes to all".
    SfxSettings.AutoExtract = TRUE;
    if (SfxSettings.OverwriteButtonId == IDC_MAIN_ASK) SfxSettings.OverwriteButtonId = IDC_MAIN_OVERWRITE;
  }
}
