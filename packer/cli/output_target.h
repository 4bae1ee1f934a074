// The file mksfx pack writes: OUTPUT judged before anything is read or
// written, so that pack never replaces what it did not make.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pack_options.h"

// The path pack writes for OUTPUT: "-" (standard output, refused on a
// terminal), a new file, or an existing regular file that may be replaced:
// an empty one, a self-extractor that mksfx wrote, or any with --force.  A
// symbolic link is followed: the file it leads to is judged and replaced,
// the link stays.  Anything but a regular file (a folder, a device, a FIFO,
// a socket) and a link to nothing are refused even with --force, judged by
// the file's type alone: nothing is opened, so a FIFO cannot hold pack up.
// A self-extractor is mksfx's when the stub's own search finds its archive
// and, in front of it, a configuration block laid out as mksfx lays one out
// (IsPackedBlock), or without a block, when the archive starts right behind
// the padded image of `stub`, the stub pack writes with (either execution
// level).  A vendor's program with a ZIP appended, as many installers are,
// is neither.
std::string WritableOutput(const PackOptions& o, const std::vector<uint8_t>& stub);

