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

// Result of a block routine and of the block loop of an entry: 0 decoded,
// otherwise the first fault met.  The entry stops at its first failed block.
enum InflateResult {
  kInflateOk = 0,
  kInflateTruncated = 1,           // a bit past the entry's compressed data was needed
  kInflateBadBlockType = 2,        // block type 3
  kInflateStoredLengthMismatch = 3,  // NLEN is not the complement of LEN
  kInflateBadCodeLengthCode = 4,   // code-length code empty, over-subscribed or incomplete
  kInflateBadRepeat = 5,           // a repeat runs past the declared lengths
  kInflateBadLiteralCode = 6,      // literal/length set empty, incomplete or over-subscribed
  kInflateBadDistanceCode = 7,     // distance set over-subscribed
  kInflateInvalidLiteral = 8,      // symbol 286, 287 or a pattern the code leaves unused
  kInflateInvalidDistance = 9,     // code 30, 31, an unused pattern, or no distance code
  kInflateDistanceTooFar = 10,     // a match reaches before the entry's first byte
  kInflateNoMemory = 11,           // a table could not be allocated
};

// Engine.LastInflateResult holds the result of the last InflateEntry's block
// loop (kInflateOk before any).
