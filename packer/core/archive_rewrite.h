// Any ZIP in, one the stub walks out: an input archive whose entries are
// stored or deflated but keep their sizes only in data descriptors or the
// central directory, use unsigned descriptors, or sit behind a prefix, is
// written anew with the sizes and CRC in every local header.  Compressed
// bytes are copied, never recompressed, and checked against the central
// directory's sizes and CRC on the way.
#pragma once

#include <string>
#include <vector>

#include "archive_layout.h"
#include "codepages.h"
#include "file_io.h"
#include "stub_problems.h"
#include "zip_crypto.h"
#include "zip_writer.h"

struct RewriteOptions {
  const CodePageTable* page = nullptr;  // names in UTF-8 or code page 437 are converted to it
  bool namesInPage = false;  // a self-extractor: names without the UTF-8 flag are in `page`
  const std::string* password = nullptr;  // encrypt every entry; nullptr: as they are
  HeaderRandom* random = nullptr;
  bool listAllProblems = false;  // every name in a refusal, not the first few
};

// Whether the archive must be written anew: the stub cannot walk it as it
// is or would write wrong files from it (`walkFindings`, what its walk over
// the archive as it is found), names need converting, or entries are to be
// encrypted.
bool NeedsRewrite(const ArchiveLayout& layout, const RewriteOptions& options,
                  const std::vector<EntryFinding>& walkFindings);

// Throws Refusal with a one-line summary per kind of entry that cannot be
// rewritten for the stub (other methods, AES or strong encryption, ZIP64
// sizes, unsafe names, names that collide on Windows, symbolic links,
// missing local headers, local headers that disagree with the central
// directory on encryption; already encrypted entries when `password`),
// followed by the first few names (all with listAllProblems).
void RefuseUnrewritable(const InputFile& file, const ArchiveLayout& layout,
                        const RewriteOptions& options);

// Writes every entry, in local header order, through `writer` (which
// writes to `out`, where the data are copied piece by piece); `progress`
// gets the input bytes done.  Entries whose data disagree with the central
// directory are collected and refused together after the last one.
void RewriteEntries(const InputFile& file, const ArchiveLayout& layout,
                    const RewriteOptions& options, ZipWriter& writer, PendingOutput& out,
                    void (*progress)(uint64_t done, uint64_t total));
