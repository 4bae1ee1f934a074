// The inflate decoder: decodes the deflate data of the current entry.
#pragma once

// Expects ArchiveFile at the entry's first compressed byte, BytesRemaining
// set (less the encryption header), the keys ready for an encrypted entry,
// OutputFile open and RunningCrc preset.  Writes the output through
// WriteOutput in writes of exactly 32,768 bytes and one shorter write at the
// end, each fed to RunningCrc after it is written.  A damaged stream ends the
// decoding; the caller sees it only through the CRC comparison.
void InflateEntry();
