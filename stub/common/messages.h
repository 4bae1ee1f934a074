// The stub's messages to the user, as they are shown: shared by start-up,
// the entry walk and the dialogs.
#pragma once

extern const char kCannotProcessFile[];  // two lines: the file and a hint
extern const char kErrorCaption[];       // "Error..."
extern const char kInvalidFileName[];
extern const char kErrorInDirectory[];
extern const char kCannotOpenFile[];
extern const char kUnknownCompression[];
extern const char kCannotCloseFile[];
extern const char kSomeNotExtracted[];
extern const char kAllExtracted[];
extern const char kInformationCaption[];
extern const char kExtractingPrefix[];
extern const char kFatalCaption[];  // "Error"
