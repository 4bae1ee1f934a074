// What the engine asks of the user interface.
//
// The stub implements these with MessageBoxA and its dialog templates; the
// unit tests (natively and under Wine) and mksfx implement them by recording
// messages and answering prompts from a script.
#pragma once

#include "../platform/platform.h"
#include "overwrite_policy.h"

// MessageBoxA with one OK button, owned by the main dialog while it is up,
// and nothing at all under /S.  `style` carries the icon: MB_ICONERROR,
// MB_ICONINFORMATION or none.
void ShowMessage(const char* text, const char* caption, UINT style);

// The information dialog; its second button sets SkipMainDialog.  Nothing is
// reported when it cannot be created.
void RunInfoDialog();

// The main dialog, until it closes.
void RunMainDialog();

// The password prompt: on return TypedPassword and TypedPasswordLength hold
// the text typed.
void RunPasswordPrompt();

// The overwrite prompt for ExistingFileName: on return OverwriteAnswer holds
// the answer; with "Don't ask again" ticked OverwriteMode has changed too.
void RunOverwritePrompt();

// What the user answered in the overwrite prompt: Yes or No, and whether
// "Don't ask again" was ticked.
struct OverwriteReply {
  bool yes;
  bool dontAskAgain;
};

// The prompt's one rule, whoever shows it (the dialog, mksfx's console, a
// test): OverwriteAnswer becomes the reply's answer; with "Don't ask again"
// the answer also becomes OverwriteMode for every further file (Yes:
// kOverwriteAll, No: kSkipExisting).
void ApplyOverwriteReply(OverwriteReply reply);
