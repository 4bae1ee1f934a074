// The inflate decoder: decodes the deflate data of the current entry.
#pragma once

// Expects ArchiveFile at the entry's first compressed byte, BytesRemaining
// set (less the encryption header), the keys ready for an encrypted entry,
// OutputFile open and RunningCrc preset.  Reads its input through
// ReadEntryData and writes the output through WriteEntryData in writes of
// exactly 32,768 bytes and one shorter write at the end, each fed to
// RunningCrc after it is written (with the count written, so a short write
// fails the CRC comparison too).  A damaged stream ends the
// decoding and the result is false: the entry fails whatever its CRC says.
//
// Reads ask for min(BytesRemaining, 32,768) bytes, only once every byte read
// before has been used, so nothing past the entry is read and the keys
// advance over exactly its bytes.  Running out of data inside a block, a
// stored block whose NLEN is not the complement of LEN, and a match reaching
// before the entry's first output byte each fail the block; the bytes decoded
// before the fault are written.
bool InflateEntry();
