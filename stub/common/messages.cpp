// The engine's messages to the user.  Defined once so the stub holds one copy
// of each, whichever module shows it.
#include "messages.h"

const char kCannotProcessFile[] =
    "Cannot process file.\r\nIf this file was downloaded from the Internet try downloading again.";
const char kErrorCaption[] = "Error...";
const char kInvalidFileName[] = "Invalid filename.";
const char kErrorInDirectory[] = "Error in directory ...";
const char kCannotOpenFile[] = "Cannot open file ...";
const char kUnknownCompression[] = "Unknown compression type";
const char kCannotCloseFile[] = "Cannot close the file";
const char kSomeNotExtracted[] = "One or more file(s) could not be extracted.";
const char kAllExtracted[] = "All files have been extracted.";
const char kInformationCaption[] = "Information";
const char kExtractingPrefix[] = "Extracting: ";
const char kFatalCaption[] = "Error";
