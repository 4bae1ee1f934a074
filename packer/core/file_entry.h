// One file's entry written piece by piece: read, deflated and encrypted in
// pieces of kDeflatePieceSize, so that memory stays bounded whatever the
// file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "file_io.h"
#include "zip_crypto.h"
#include "zip_writer.h"

// libdeflate's levels; 12 is its slowest and strongest.
const int kFastestLevel = 1;
const int kStrongestLevel = 12;
const int kDefaultLevel = 9;
// -0: every entry stored.
const int kStoreLevel = 0;

// Bytes of input libdeflate compresses at a time.  A file of at most this
// many bytes is compressed in one piece, byte for byte as a whole buffer
// would be; a larger one becomes one deflate stream of pieces that share no
// history (file_entry.cpp, MakeNonFinal).  Measured on text against one whole buffer:
// 4 MiB pieces cost about 0.1 % of ratio (1 MiB pieces 0.3 %, 8 MiB 0.08 %),
// and mksfx peaks at about 13 MB resident at level 9, 18 MB at level 12
// (1 MiB: 6 and 12 MB; 8 MiB: 21 and 26 MB), whatever the file's size.
const size_t kDeflatePieceSize = 4 << 20;

// Writes the entry `header` (name, time and attributes set) with the data
// of `file` through `writer`: deflated at `level` (kStoreLevel: stored), and
// stored when deflate does not shrink the data; encrypted unless `password`
// is empty.  `progress` gets the bytes of the file done after each piece.
// Throws Refusal when the file changes while it is read.
void WriteFileEntry(ZipWriter& writer, PendingOutput& out, ZipEntryHeader header,
                    const InputFile& file, int level, const std::string& password,
                    HeaderRandom& random, const std::function<void(uint64_t)>& progress);
