// Writing a finished self-extractor: the stub padded to its full budget, the
// configuration block (or none), then the archive from its first local header
// to the end of its end record, with every stored offset moved by the same
// distance and the comment padded so that the file ends on a multiple of 8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive_layout.h"
#include "file_io.h"

// The stub file; throws Refusal when it is larger than its budget.
std::vector<uint8_t> ReadStub(const std::string& path);

// Throws Refusal for a stub that is not a Windows executable, is signed, or
// holds a local header or end record signature; its size is ReadStub's to
// check (the built-in stub passed scripts/check-stub at build time).  With
// `forBlocklessOutput` its last two bytes must also be zero, since the stub
// reads them as the block length when no block follows.
void CheckStub(const std::vector<uint8_t>& stub, const std::string& path, bool forBlocklessOutput);

// What the stub takes of a self-extractor: kStubImageSize, or more for a
// stub grown by the publisher's resources (publisher_resources.h), which
// needs a block: the stub then finds the block through the archive's offsets.
uint64_t PaddedStubSize(const std::vector<uint8_t>& stub);

// `block` empty: no configuration block.  The output appears only complete
// and only after the stub's own search, replayed on it, has found the end
// record written and the first local header.
void WriteSelfExtractor(const std::vector<uint8_t>& stub, const std::vector<uint8_t>& block,
                        const InputFile& archive, ArchiveLayout layout, const std::string& outputPath);

// The padded stub and the block, the start of every self-extractor; returns
// the position of the first local header.
uint64_t WriteStubAndBlock(PendingOutput& out, const std::vector<uint8_t>& stub,
                           const std::vector<uint8_t>& block);

// Renames the finished output, which ends on a multiple of
// kCertificateAlignment, into place once the stub's own start-up code,
// replayed on it, finds the end record at `endRecordPos` and starts its walk
// at `firstHeaderPos`; with `walkCheck` also once the stub's walk meets every
// entry of the central directory without a problem.  `inputName` names the
// input in the refusal.
void CommitChecked(PendingOutput& out, uint64_t endRecordPos, uint64_t firstHeaderPos,
                   bool hasBlock, bool walkCheck, const std::string& inputName);
