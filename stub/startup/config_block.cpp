// The configuration block and the settings it carries.
#include "../common/heap.h"
#include "startup.h"

// Zero-filled in the image (its 800 bytes cost nothing there); the defaults
// are set by ResetSettings before the block is read.
Settings SfxSettings;

// The text that stands for the system's temporary folder in the default folder.
const char kTempFolderMark[] = "><";

static DWORD ReadBytes(void* buffer, DWORD count) {
  DWORD got = 0;
  ReadFile(ArchiveFile, buffer, count, &got, nullptr);
  return got;
}

// Reads a text of `length` bytes into `text` and terminates it after the
// bytes that actually arrived: a block cut short yields a shorter text, never
// stale memory.
static void ReadText(char* text, DWORD length) { text[ReadBytes(text, length)] = 0; }

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

void ReadConfigurationBlock() {
  ResetSettings();
  ArchiveStart = kDefaultArchiveStart;
  BlockLength = 0;
  CentralEntryCount = 0;
  if ((int32_t)GetFileSize(ArchiveFile, nullptr) > ArchiveStart) LocateArchive();

  uint8_t fixed[kBlockFixedSize] = {};
  SeekArchive(ArchiveStart, FILE_BEGIN);
  if (ReadBytes(fixed, kBlockMagicSize) < kBlockMagicSize) return;
  // A fixed part cut short by the end of the file is no block either.
  if (!IsBlockMagic(fixed) ||
      ReadBytes(fixed + kBlockMagicSize, kBlockFixedSize - kBlockMagicSize) < kBlockFixedSize - kBlockMagicSize) {
    // No block: with a locator result this steps from where the block would
    // have been to the archive; without one the archive is expected at 0x5400.
    ArchiveStart += BlockLength;
    return;
  }

  Settings& s = SfxSettings;
  uint8_t flags = fixed[3];
  if (!(flags & kFlagShowRunCheckBox)) s.ShowRunCheckBox = FALSE;
  if (!(flags & kFlagSelectableFileList)) s.SelectableFileList = FALSE;
  if (flags & kFlagHideOverwriteChoice) s.HideOverwriteChoice = TRUE;
  if ((flags & kFlagOverwriteMask) == kFlagOverwriteAlways) s.OverwriteButtonId = IDC_MAIN_OVERWRITE;
  if ((flags & kFlagOverwriteMask) == kFlagSkipExisting) s.OverwriteButtonId = IDC_MAIN_SKIP_EXISTING;
  if (flags & kFlagAutoExtract) s.AutoExtract = TRUE;

  uint8_t captionLength = fixed[4], folderLength = fixed[5], commandLength = fixed[6];
  uint16_t infoLength = (uint16_t)(fixed[7] | fixed[8] << 8);
  uint8_t infoCaptionLength = fixed[9];
  if (captionLength) s.HasCaption = TRUE;
  if (folderLength) s.HasDefaultFolder = TRUE;
  if (commandLength) s.HasRunCommand = TRUE;
  if (infoLength) s.HasInfoText = TRUE;
  if (infoCaptionLength) s.HasInfoCaption = TRUE;

  s.Caption[0] = 0;
  if (captionLength) ReadText(s.Caption, captionLength);
  if (folderLength) {
    ReadText(s.DefaultFolder, folderLength);
    if (s.DefaultFolder[0] == kTempFolderMark[0] && s.DefaultFolder[1] == kTempFolderMark[1] &&
        s.DefaultFolder[2] == 0)
      GetTempPathA(MAX_PATH, s.DefaultFolder);
  }
  s.RunCommand[0] = 0;
  if (commandLength) ReadText(s.RunCommand, commandLength);
  s.InfoText = infoLength ? ReadHeapText(infoLength) : nullptr;
  s.InfoCaption = infoCaptionLength ? ReadHeapText(infoCaptionLength) : nullptr;

  // The block length field is stepped over, not read: the archive follows it.
  ArchiveStart = SeekArchive(0, FILE_CURRENT) + 2;
}
