// Scripted answers to the engine's messages and prompts.
#include "scripted_ui.h"

#include <stdio.h>

#include "extract/extract.h"

const RecordedMessage kAllDone = {"Information", "All files have been extracted.", 0x40};
const RecordedMessage kSomeFailed = {"Error...", "One or more file(s) could not be extracted.", 0x10};
const RecordedMessage kNotProcessed = {
    "Error...", "Cannot process file.\r\nIf this file was downloaded from the Internet try downloading again.",
    0x10};

namespace scripted {

std::vector<RecordedMessage> messages;
std::deque<std::string> passwords;
std::deque<OverwriteReply> overwrites;
std::vector<std::string> overwriteNames;
int passwordPrompts;
std::function<void()> onPrompt;
std::function<void()> onMainDialog;
std::function<void()> onInfoDialog;
int mainDialogRuns, infoDialogRuns;

void Reset() {
  messages.clear();
  passwords.clear();
  overwrites.clear();
  overwriteNames.clear();
  passwordPrompts = 0;
  onPrompt = nullptr;
  onMainDialog = nullptr;
  onInfoDialog = nullptr;
  mainDialogRuns = infoDialogRuns = 0;
}

std::string MessageLog() {
  std::string log;
  for (const RecordedMessage& m : messages) log += m.caption + ": " + m.text + "\n";
  return log;
}

}  // namespace scripted

void ShowMessage(const char* text, const char* caption, UINT style) {
  scripted::messages.push_back({caption, text, style});
  // Also on stderr: a death test can only match what the child printed.
  fprintf(stderr, "%s: %s\n", caption, text);
  fflush(stderr);
}

void RunInfoDialog() {
  ++scripted::infoDialogRuns;
  if (scripted::onInfoDialog) scripted::onInfoDialog();
}

void RunMainDialog() {
  ++scripted::mainDialogRuns;
  if (scripted::onMainDialog) scripted::onMainDialog();
}

void RunPasswordPrompt() {
  ++scripted::passwordPrompts;
  if (scripted::onPrompt) scripted::onPrompt();
  std::string typed;
  if (!scripted::passwords.empty()) {
    typed = scripted::passwords.front();
    scripted::passwords.pop_front();
  }
  // The prompt's edit field takes 79 characters.
  if (typed.size() > kPasswordSize - 1) typed.resize(kPasswordSize - 1);
  Engine.TypedPasswordLength = (int32_t)typed.size();
  for (size_t i = 0; i <= typed.size(); ++i) Engine.TypedPassword[i] = typed.c_str()[i];
}

// The overwrite prompt answers from the script; the engine applies the reply.
void RunOverwritePrompt() {
  scripted::overwriteNames.push_back(Engine.ExistingFileName);
  if (scripted::onPrompt) scripted::onPrompt();
  OverwriteReply reply = {false, false};
  if (!scripted::overwrites.empty()) {
    reply = scripted::overwrites.front();
    scripted::overwrites.pop_front();
  }
  ApplyOverwriteReply(reply);
}
