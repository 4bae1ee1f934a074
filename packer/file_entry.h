// One file's entry written piece by piece: read, deflated and encrypted in
// pieces of kDeflatePieceSize, so that memory stays bounded whatever the
// file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "file_io.h"
#include "zip_crypto.h"
#include "zip_writer.h"

// Bytes of input libdeflate compresses at a time.  A file of at most this
// many bytes is compressed in one piece, byte for byte as a whole buffer
// would be; a larger one becomes one deflate stream of pieces that share no
// history (deflate_chain.h), which costs it about 0.1 % of ratio at 4 MiB
// (against 0.3 % at 1 MiB), for about 13 MB of memory at level 9.
const size_t kDeflatePieceSize = 4 << 20;

// Writes the entry `header` (name, time and attributes set) with the data
// of `file` through `writer`: deflated at `level` (kStoreLevel: stored), and
// stored when deflate does not shrink the data; encrypted unless `password`
// is empty.  Throws Refusal when the file changes while it is read.
void WriteFileEntry(ZipWriter& writer, PendingOutput& out, ZipEntryHeader header,
                    const InputFile& file, int level, const std::string& password,
                    HeaderRandom& random);
