// The resources of a 32-bit Windows image (its resource directory: types,
// names or ids, languages, data entries), read from an image and written
// afresh into a new last section of a copy of it.  mksfx gives the stub the
// publisher's icon and version this way; the stub's code and data stay where
// the linker put them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_io.h"

const uint16_t kResourceIcon = 3;        // RT_ICON: one image of an icon
const uint16_t kResourceGroupIcon = 14;  // RT_GROUP_ICON: an icon's directory
const uint16_t kResourceVersion = 16;    // RT_VERSION: VS_VERSIONINFO

// A type or a name: a 16-bit id, or a name (UTF-16, as the directory holds
// it, in capitals when a resource compiler wrote it).
struct ResourceKey {
  std::u16string name;  // empty: the id counts
  uint16_t id = 0;

  static ResourceKey Id(uint16_t id) { return {u"", id}; }
  bool operator==(const ResourceKey& o) const { return name == o.name && id == o.id; }
  // The directory's order: names first, in code unit order, then ids.
  bool operator<(const ResourceKey& o) const;
};

struct Resource {
  ResourceKey type, name;
  uint16_t language = 0;
  uint32_t codePage = 0;
  std::vector<uint8_t> data;
};

// The image's resources in directory order.  Throws Refusal (its text names
// no file) for an image that is no PE32 image and for a resource directory
// out of the image's sections, deeper than types, names and languages, or
// looping.  An image without a resource directory has none.
std::vector<Resource> ReadResources(const std::vector<uint8_t>& image);

// The headers and section data of the image at the start of `file` (the
// stub of a self-extractor, without the block and archive behind it);
// throws Refusal for a file whose headers are no PE32 image's.
std::vector<uint8_t> ReadImageOf(const InputFile& file);

// `image` with one more section, last, holding a resource directory of
// `resources` (in any order; written in the directory's), which the
// image's resource directory entry now names.  The section header goes into
// the room behind the section table; SizeOfImage, SizeOfInitializedData and
// a checksum the header sets are brought up to date.  The directory's time
// stamp and versions are 0, so the same resources give the same bytes.
// Throws Refusal for an image without room for one more section header.
std::vector<uint8_t> WithResourceSection(const std::vector<uint8_t>& image, std::vector<Resource> resources);

// The checksum of the image format over `bytes`, the field at `fieldPos`
// taken as 0.
uint32_t ImageChecksum(const std::vector<uint8_t>& bytes, size_t fieldPos);
