// The walk over the archive's local file headers: listing the entries, and
// extracting the selected ones into the destination folder.
#include "../common/dialogs.h"
#include "../common/made_list.h"
#include "../common/messages.h"
#include "../entry/entry_data.h"
#include "../inflate/inflate.h"
#include "../integrity/zipcrypto.h"
#include "extract.h"
#include "paths.h"

// The name buffer holds the longest name the walk takes; nothing is read
// past it.
const int kNameBufferSize = kLongestEntryName;

// The local header signature is formed at run time: the stub's image must
// hold no copy of its four bytes, and gcc would fold a constant expression.
static volatile uint32_t signatureBase = kLocalHeaderSignature + 1;

// A data descriptor without its signature: crc-32, compressed and
// uncompressed size.
const int32_t kUnsignedDescriptorSize = 12;

// An output path: the destination folder, "\", the name and the terminator.
const int kOutputPathSize = kDestFolderSize + 1 + kNameBufferSize + 1;

// What follows the processing of one entry.
enum EntryOutcome {
  kNextEntry,   // Advance to the next header
  kEndWalk,     // leave the loop; the closing step runs
  kAbortWalk,   // return at once: no closing step, no closing message
  kCarryOn,     // within an entry: the step succeeded, the entry goes on
};

// Everything one walk keeps; `passed` says whether the last selected entry
// passed its password stage.
struct Walk {
  HWND list;
  bool listOnly;
  bool passed;
  uint32_t entriesMet;   // local headers whose name was read: the next ordinal
  int32_t descriptor;    // unsigned descriptor bytes to step over after the entry
};

bool ReadLocalHeader() {
  for (;;) {
    Engine.LocalHeader.signature = 0;
    DWORD got = ReadArchive(&Engine.LocalHeader, sizeof Engine.LocalHeader);
    if (got >= 4 && Engine.LocalHeader.signature == kDataDescriptorSignature) {
      // FilePos still holds this record's position, the target of the last seek.
      Engine.BytesRemaining = 0;
      SeekArchive(Engine.FilePos + kDataDescriptorSize, FILE_BEGIN);
      continue;
    }
    // A header cut short by the end of the archive ends the walk; so does a
    // size that cannot be a distance within a file of signed 32-bit positions.
    bool header = Engine.LocalHeader.signature == Engine.LocalHeaderSignature ||
                  Engine.LocalHeader.signature == kSplitHeaderSignature;
    if (!header || got < sizeof Engine.LocalHeader || (int32_t)Engine.LocalHeader.compressedSize < 0) {
      Engine.BytesRemaining = 0;
      return false;
    }
    Engine.BytesRemaining = (int32_t)Engine.LocalHeader.compressedSize;
    return true;
  }
}

static void Deselect(Walk& w) { SendMessageA(w.list, LB_SETSEL, FALSE, Engine.CurrentListIndex); }

__attribute__((noinline)) static void Report(const char* text, const char* caption, UINT style) {
  CatchUpProgress();
  ShowMessage(text, caption, style);
}

// Clears Busy and puts up the arrow for a prompt.
static void PauseForPrompt() {
  CatchUpProgress();
  Engine.Busy = FALSE;
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

// Checks the remembered password, then asks up to three times.  Leaves the
// file at the entry's first data byte and, on success, the keys ready.
static bool PasswordStage() {
  uint8_t block[2 * kEncryptionHeaderLength] = {};
  ReadArchive(block + kEncryptionHeaderLength, kEncryptionHeaderLength);
  const LocalHeaderRecord& h = Engine.LocalHeader;
  bool passed = Engine.Password[0] && CheckEncryptionHeader(block, kEncryptionHeaderLength, h.flags, h.crc32,
                                                     h.timeDate, Engine.Password);
  for (int attempt = 0; !passed && attempt < 3; ++attempt) {
    PauseForPrompt();
    RunPasswordPrompt();
    Engine.Busy = TRUE;
    int32_t typed = Engine.TypedPasswordLength;
    if (typed < 0) typed = 0;
    if (typed > kPasswordSize - 1) typed = kPasswordSize - 1;
    BufferToString(Engine.TypedPassword, (uint16_t)typed, Engine.Password);
    passed = CheckEncryptionHeader(block, kEncryptionHeaderLength, h.flags, h.crc32, h.timeDate, Engine.Password);
  }
  return passed;
}

// Writes the entry's data into the open OutputFile and tests its CRC.
bool DecodeEntryData() {
  Engine.RunningCrc = 0xFFFFFFFF;
  Engine.BytesRemaining = (int32_t)Engine.LocalHeader.compressedSize;
  if (Engine.LocalHeader.flags & kFlagEncrypted) Engine.BytesRemaining -= kEncryptionHeaderLength;
  // A stream the decoder refuses fails whatever its CRC says.
  bool decoded = true;
  if (Engine.LocalHeader.method == kMethodStored)
    CopyStored();
  else
    decoded = InflateEntry();
  return decoded && (Engine.RunningCrc ^ 0xFFFFFFFF) == Engine.LocalHeader.crc32;
}

static EntryOutcome WriteEntry(Walk& w, const char* outputPath) {
  BeginProgress(outputPath);
  // The method was tested before the file was opened: stored or deflated.
  if (DecodeEntryData()) Deselect(w);
  return kNextEntry;
}

// Refuses the current entry: nothing is written and its item stays selected,
// so the closing message reports it.
static void RefuseEntry(Walk& w) {
  w.passed = true;
  Report(Engine.WalkName, kCannotOpenFile, MB_ICONERROR);
}

// Makes the folder of a file that does not exist yet, with its parents.
// kCarryOn when it is there; otherwise after a message: kNextEntry when it is
// deeper than a folder can be (this entry only is refused), kEndWalk when it
// is still missing after the attempt.
static EntryOutcome MakeFolder(char* folderPath) {
  if (StrLength(folderPath) > kMaxFolderLength && !PathExists(folderPath)) {
    Report(folderPath, kErrorInDirectory, MB_ICONERROR);
    return kNextEntry;
  }
  // A folder that cannot be made ends the program with a message box.
  CatchUpProgress();
  CreateFolderPath(folderPath);
  if (!PathExists(folderPath)) {
    Report(folderPath, kErrorInDirectory, MB_ICONERROR);
    return kEndWalk;
  }
  return kCarryOn;
}

// Opens OutputFile for the entry, or returns what follows without it.
//
// The complete decision: an existing path is left alone, asked about or
// replaced as OverwriteMode says; a missing one gets its folder first.  It
// costs a test of the path, which under Wine reads the whole folder when the
// file is not there (about 40 us), and the tests of the folder.  So a file is
// first created with CREATE_NEW, which creates nothing and fails whenever
// anything is in the way: a file (ERROR_FILE_EXISTS), a folder, a missing
// folder, a name the system refuses.  No error code is trusted: every failure
// takes the complete decision, so an existing file is treated as it always
// was, and a new one in a new folder is created as it always was.
static EntryOutcome OpenOutputFile(Walk& w, char* outputPath, bool folderEntry) {
  char folderPath[kOutputPathSize];
  bool decide = folderEntry, existed = false;
  // What the test of the path would have done to it: "/" becomes "\".
  if (!folderEntry) SlashesToBackslashes(outputPath);
  for (;;) {
    if (decide) {
      if (PathExists(outputPath)) {
        existed = true;
        if (Engine.OverwriteMode == kSkipExisting) {
          Deselect(w);
          return kNextEntry;
        }
        if (Engine.OverwriteMode == kAskEachFile) {
          AppendText(Engine.ExistingFileName, 0, MAX_PATH, outputPath);
          PauseForPrompt();
          RunOverwritePrompt();
          Engine.Busy = TRUE;
          if (!Engine.OverwriteAnswer) {
            Deselect(w);
            return kNextEntry;
          }
        }
      } else {
        ParentFolder(outputPath, folderPath);
        EntryOutcome made = MakeFolder(folderPath);
        if (made != kCarryOn) return made;
      }
    }
    Engine.OutputFile = CreateFileA(outputPath, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                             decide ? CREATE_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (Engine.OutputFile != INVALID_HANDLE_VALUE) {
      if (!existed) NoteMade(outputPath);
      return kCarryOn;
    }
    if (decide) break;
    decide = true;
  }
  // A folder entry ("docs/") counts as done once its folder exists; a file
  // entry whose path is taken by a folder has not been written.
  DWORD attributes = GetFileAttributesA(outputPath);
  if (folderEntry && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    Deselect(w);
  else
    Report(outputPath, kCannotOpenFile, MB_ICONERROR);
  return kNextEntry;
}

// A selected entry whose size is known.
static EntryOutcome ExtractEntry(Walk& w) {
  w.passed = false;

  // Output path: the folder without its trailing "\" (a root C:\ becomes C:),
  // "\", and the name with its "/" separators, which become "\" before the
  // path is used.
  char outputPath[kOutputPathSize];
  if (StrLength(Engine.DestFolder) < kDestFolderSize - 1) AddTrailingBackslash(Engine.DestFolder);
  RemoveTrailingBackslash(Engine.DestFolder);
  uint16_t folderLength = StrLength(Engine.DestFolder);
  uint16_t nameLength = StrLength(Engine.WalkName);
  bool tooLong = Engine.LocalHeader.nameLength > kNameBufferSize || folderLength + 1 + nameLength > kMaxPathLength;
  if (tooLong || EntryNameFault(Engine.WalkName)) {
    // No password is asked for a name that is refused.
    RefuseEntry(w);
    return kNextEntry;
  }
  for (uint16_t i = 0; i < folderLength; ++i) outputPath[i] = Engine.DestFolder[i];
  outputPath[folderLength] = '\\';
  for (uint16_t i = 0; i <= nameLength; ++i) outputPath[folderLength + 1 + i] = Engine.WalkName[i];

  w.passed = (Engine.LocalHeader.flags & kFlagEncrypted) ? PasswordStage() : true;
  if (!w.passed) {
    // Three wrong passwords end the walk without a closing message.
    Engine.Busy = FALSE;
    return kAbortWalk;
  }

  // Tested before anything on disk is touched: an existing file must not be
  // emptied, nor a prompt shown, for data that can never be extracted.
  if (!IsKnownMethod(Engine.LocalHeader.method)) {
    Engine.Busy = FALSE;
    Report(kUnknownCompression, kErrorCaption, MB_ICONERROR);
    return kAbortWalk;
  }

  char last = Engine.WalkName[nameLength - 1];
  EntryOutcome opened = OpenOutputFile(w, outputPath, last == '/' || last == '\\');
  if (opened != kCarryOn) return opened;
  EntryOutcome outcome = WriteEntry(w, outputPath);
  // The file keeps the entry's time also when it failed or was left empty.
  SetFileTimeFromDos(Engine.OutputFile, Engine.LocalHeader.timeDate);
  if (!CloseHandle(Engine.OutputFile)) Report(outputPath, kCannotCloseFile, MB_ICONERROR);
  return outcome;
}

// A streaming writer leaves flag bit 3 and a compressed size of 0 in the
// header and the sizes in a data descriptor behind the data.  Such an entry is
// empty only when a descriptor saying 0 bytes follows at once (with its
// signature, or as twelve bytes of zero); otherwise where its data end is
// unknown and nothing after it can be reached safely.  Leaves the file at
// the entry's first data byte.
static bool SizeUnknown(Walk& w) {
  w.descriptor = 0;
  if (!(Engine.LocalHeader.flags & kFlagDataDescriptor) || Engine.LocalHeader.compressedSize) return false;
  int32_t dataAt = Engine.HeaderEnd + Engine.LocalHeader.nameLength + Engine.LocalHeader.extraLength;
  // Signature or crc-32, then the two sizes.  Bytes past the end of the file
  // stay 0: an entry there is empty either way, and the walk ends after it.
  uint32_t d[kDataDescriptorSize / 4] = {};
  ReadArchive(d, kDataDescriptorSize);
  SeekArchive(dataAt, FILE_BEGIN);
  // The signed descriptor is stepped over by the next header's read.
  if (d[0] == kDataDescriptorSignature) return d[2] || d[3];
  if (d[0] || d[1] || d[2]) return true;
  w.descriptor = kUnsignedDescriptorSize;
  return false;
}

static EntryOutcome ProcessEntry(Walk& w) {
  // Every header is read right after a seek to it, so FilePos still holds
  // its position: the end follows without asking the file.
  Engine.HeaderEnd = Engine.FilePos + (int32_t)sizeof Engine.LocalHeader;
  uint16_t nameLength = Engine.LocalHeader.nameLength;
  DWORD wanted = nameLength < kNameBufferSize ? nameLength : kNameBufferSize;
  char raw[kNameBufferSize];
  if (ReadArchive(raw, wanted) < wanted) return kEndWalk;  // a name cut short by the end of the archive
  BufferToString(raw, (uint16_t)wanted, Engine.WalkName);
  if (!Engine.WalkName[0]) {
    Engine.Busy = FALSE;
    Report(kInvalidFileName, kErrorCaption, MB_ICONERROR);
    return kAbortWalk;
  }
  uint32_t ordinal = w.entriesMet++;
  int32_t skip = (int32_t)(nameLength - wanted) + Engine.LocalHeader.extraLength;
  if (skip) SeekArchive(skip, FILE_CURRENT);
  bool sizeUnknown = SizeUnknown(w);
  if (w.listOnly) {
    // An item that could not be added (LB_ERR, LB_ERRSPACE) takes no data.
    LRESULT item = SendMessageA(w.list, LB_ADDSTRING, 0, (LPARAM)Engine.WalkName);
    SendMessageA(w.list, LB_SETITEMDATA, (WPARAM)item, (LPARAM)ordinal);
  } else if (IsEntrySelected(w.list, ordinal, Engine.WalkName)) {
    if (!sizeUnknown) return ExtractEntry(w);
    RefuseEntry(w);
  }
  // Nothing after an entry of unknown size can be reached.
  return sizeUnknown ? kEndWalk : kNextEntry;
}

// The next header's position comes from this header alone, whatever the
// processing of the entry read.  False when it lies beyond any signed 32-bit
// position.
static bool Advance(const Walk& w) {
  int64_t next = (int64_t)Engine.HeaderEnd + Engine.LocalHeader.nameLength + Engine.LocalHeader.extraLength +
                 Engine.LocalHeader.compressedSize + w.descriptor;
  if (next > 0x7FFFFFFF) return false;
  SeekArchive((int32_t)next, FILE_BEGIN);
  return true;
}

// A walk that met fewer local headers than the central directory lists
// (sizes kept only in data descriptors, junk between entries, an archive cut
// short) has not seen every entry: it reports failure even when every entry
// it met was extracted.  Where it stopped does not matter otherwise.
static void EndWalk(Walk& w) {
  Engine.Busy = FALSE;
  bool incomplete = w.entriesMet < Engine.CentralEntryCount;
  if (!w.listOnly && (w.passed || incomplete)) {
    if (!incomplete && SendMessageA(w.list, LB_GETSELCOUNT, 0, 0) == 0) {
      if (!Engine.SfxSettings.AutoExtract) ShowMessage(kAllExtracted, kInformationCaption, MB_ICONINFORMATION);
      Engine.ExtractionSucceeded = TRUE;
    } else {
      ShowMessage(kSomeNotExtracted, kErrorCaption, MB_ICONERROR);
      ShowStatus(kSomeNotExtracted);
      Engine.ExtractionSucceeded = FALSE;
    }
  }
  if (w.listOnly && SendMessageA(w.list, LB_GETCOUNT, 0, 0) == 0)
    ShowMessage(kCannotProcessFile, kErrorCaption, MB_ICONERROR);
}

void WalkEntries(HWND dialog, int listId, bool listOnly) {
  // The walk's state is module-wide (file position, keys, output file): a
  // second walk started from a message it lets through must not run.
  if (Engine.WalkRunning) return;
  Engine.Busy = TRUE;
  Engine.ExtractionSucceeded = FALSE;
  Engine.LocalHeaderSignature = signatureBase - 1;
  if (SeekArchive(Engine.ArchiveStart, FILE_BEGIN) == -1) {
    Engine.Busy = FALSE;
    ShowMessage(kCannotProcessFile, kErrorCaption, MB_ICONERROR);
    return;
  }
  Engine.WalkRunning = true;
  Walk w = {GetDlgItem(dialog, listId), listOnly, false, 0, 0};
  StartProgress(dialog);
  Engine.CurrentListIndex = -1;
  ReleaseListItemTable();
  if (listOnly)
    SendMessageA(w.list, LB_RESETCONTENT, 0, 0);
  else
    MapListItems(w.list);
  EntryOutcome outcome = kEndWalk;
  while (ReadLocalHeader()) {
    outcome = ProcessEntry(w);
    if (outcome != kNextEntry || !Advance(w)) break;
  }
  CatchUpProgress();
  if (outcome != kAbortWalk) EndWalk(w);
  ReleaseListItemTable();
  Engine.WalkRunning = false;
}
