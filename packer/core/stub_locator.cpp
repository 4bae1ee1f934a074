// The stub's start-up code run on a finished self-extractor.
#include "stub_locator.h"

#include "certificate_table.h"
#include "stub_engine.h"

namespace {

std::string Text(BOOL present, const char* text) { return present && text ? text : ""; }

BlockSettings TakeSettings(const Settings& s) {
  BlockSettings b;
  b.showRunCheckBox = s.ShowRunCheckBox;
  b.selectableFileList = s.SelectableFileList;
  b.hideOverwriteChoice = s.HideOverwriteChoice;
  b.overwrite = PolicyOfButton(s.OverwriteButtonId);
  b.autoExtract = s.AutoExtract;
  b.waitForProgram = s.WaitForProgram;
  b.tempCleanup = s.TempCleanup;
  b.caption = Text(s.HasCaption, s.Caption);
  b.defaultFolder = Text(s.HasDefaultFolder, s.DefaultFolder);
  b.runCommand = Text(s.HasRunCommand, s.RunCommand);
  b.infoText = Text(s.HasInfoText, s.InfoText);
  b.infoCaption = Text(s.HasInfoCaption, s.InfoCaption);
  return b;
}

}  // namespace

StubLocation LocateLikeTheStub(const InputFile& file) {
  RefuseSigned64BitImage(file);
  StubLocation where;
  // "Cannot process file." is the caller's to say (archiveFound): a file
  // pack only asks about, such as an OUTPUT to replace, prints nothing.
  std::vector<std::string> shown;
  EngineRun run(file, &shown);
  try {
    // The reader's two steps, as ReadConfigurationBlock takes them: where the
    // block is looked for, then the block read there.  The default folder
    // is not settled: it is shown and kept as stored.
    FindConfigurationBlock();
    where.blockPos = Engine.ArchiveStart;
    where.blockFound = ReadBlock();
    // A file no longer than the stub's image is not searched: the stub
    // expects its archive behind the image and finds nothing there.
    where.archiveFound = Engine.EndRecordAt != 0;
    where.endRecordPos = (uint64_t)(int64_t)Engine.EndRecordAt;
    where.firstHeaderPos = Engine.ArchiveStart;
    where.settings = TakeSettings(Engine.SfxSettings);
  } catch (const EngineEnded&) {
    // "Cannot process file.", or the fatal report (the heap exhausted while
    // the block's texts are read): no archive found.
  }
  return where;
}

bool SplitLikeTheStub(const std::string& command, const std::string& folder, std::string& program,
                      std::string& parameters) {
  AppendText(Engine.SfxSettings.RunCommand, 0, kSettingTextSize, command.c_str());
  AppendText(Engine.DestFolder, 0, kDestFolderSize, folder.c_str());
  char part[kCommandPartSize];
  bool fits = RunCommandPart(1, part);
  program = part;
  fits = RunCommandPart(2, part) && fits;
  parameters = part;
  ResetEngine();
  return fits;
}
