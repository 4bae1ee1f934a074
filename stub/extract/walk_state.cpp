// State of the entry walk, shared with the stored copy, the inflate decoder,
// the prompts and the main dialog.
#include "extract.h"

LocalHeaderRecord LocalHeader;
uint32_t LocalHeaderSignature;

BOOL Busy;
BOOL ExtractionSucceeded;
int32_t CurrentListIndex = -1;

int32_t BytesRemaining;
HANDLE OutputFile;
uint32_t RunningCrc;
uint32_t BytesWritten;

char Password[kPasswordSize];
char TypedPassword[kPasswordSize];
int32_t TypedPasswordLength;

BOOL OverwriteAnswer;
char ExistingFileName[kFileNamePartSize];

char DestFolder[kDestFolderSize];
OverwritePolicy OverwriteMode = kAskEachFile;

void ApplyOverwriteReply(OverwriteReply reply) {
  OverwriteAnswer = reply.yes;
  if (reply.dontAskAgain) OverwriteMode = reply.yes ? kOverwriteAll : kSkipExisting;
}
