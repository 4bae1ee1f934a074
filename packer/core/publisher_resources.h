// The publisher's icon and version on a self-extractor: mksfx pack --icon and
// --version-info, kept by --keep-settings, shown by info.
//
// The program's icon is the first icon group of the image's resource
// directory (named groups come first), the one Explorer shows: the stub's
// MNICON.  The stub's main dialog shows its own group, 103, beside the line
// "Vantor SFX self-extractor made with mksfx": that mark of the tool stays
// apart from the file's icon.  In the stub both groups name the one image; an icon group that
// shares no image with another group is the publisher's.
#pragma once

#include <string>
#include <vector>

#include "file_io.h"
#include "icon_file.h"
#include "pe_resources.h"
#include "version_resource.h"

struct PublisherResources {
  std::vector<IconImage> icon;  // empty: the stub's own icon
  VersionStrings version;       // the kVersionKeys with a value; none: no version resource
  bool Empty() const { return icon.empty() && !HasVersionStrings(version); }
};

// The program's icon as `resources` hold it.
struct ProgramIcon {
  bool found = false;       // the image has an icon group
  bool publishers = false;  // its images are no other group's: not the stub's own
  std::vector<IconImage> images;
};
ProgramIcon ProgramIconOf(const std::vector<Resource>& resources);

// The version strings of the first version resource (ParseVersionResource);
// none without one.
VersionStrings VersionOf(const std::vector<Resource>& resources);

// What the self-extractor `file` carries of its publisher, for
// --keep-settings: its icon when it is the publisher's, its version strings
// (kVersionKeys only); none when the file holds no 32-bit image.  Throws
// Refusal naming the file when the image's resources cannot be read.
PublisherResources ReadPublisherResources(const InputFile& file);

// `stub` with `publisher`'s icon in place of the program's icon group (the
// images only it named dropped) and its version resource in place of any
// other, in a new last section (WithResourceSection).  Throws Refusal
// naming `stubName` for resources that cannot be read, and naming
// `iconSource` when the image then holds a ZIP signature (PK\3\4 or
// PK\5\6), which the stub's search would take for its archive.
std::vector<uint8_t> WithPublisherResources(const std::vector<uint8_t>& stub, const PublisherResources& publisher,
                                            const std::string& stubName, const std::string& iconSource);
