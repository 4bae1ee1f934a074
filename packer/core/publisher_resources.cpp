// The publisher's icon and version in and out of a stub's resources.
#include "publisher_resources.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "codepages.h"
#include "errors.h"

namespace {

const uint16_t kEnglishUs = 0x0409;  // the language of the version's string table
const uint16_t kVersionId = 1;

// The ids of the images the icon group `group` names.
std::vector<uint16_t> ImageIds(const Resource& group) {
  std::vector<IconImage> unused;
  return ParseIconGroup(group.data, unused);
}

bool IsGroup(const Resource& r) { return r.type == ResourceKey::Id(kResourceGroupIcon); }

}  // namespace

ProgramIcon ProgramIconOf(const std::vector<Resource>& resources) {
  ProgramIcon icon;
  auto group = std::find_if(resources.begin(), resources.end(), IsGroup);
  if (group == resources.end()) return icon;
  icon.found = true;
  std::vector<uint16_t> ids = ParseIconGroup(group->data, icon.images);
  std::set<uint16_t> others;
  for (const Resource& r : resources)
    if (IsGroup(r) && !(r.name == group->name))
      for (uint16_t id : ImageIds(r)) others.insert(id);
  icon.publishers = std::none_of(ids.begin(), ids.end(), [&](uint16_t id) { return others.count(id); });
  for (size_t i = 0; i < ids.size(); ++i) {
    auto image = std::find_if(resources.begin(), resources.end(), [&](const Resource& r) {
      return r.type == ResourceKey::Id(kResourceIcon) && r.name == ResourceKey::Id(ids[i]);
    });
    if (image == resources.end()) throw Refusal("its icon group names image " + std::to_string(ids[i]) + ", which it lacks");
    icon.images[i].data = image->data;
  }
  return icon;
}

VersionStrings VersionOf(const std::vector<Resource>& resources) {
  for (const Resource& r : resources)
    if (r.type == ResourceKey::Id(kResourceVersion)) return ParseVersionResource(r.data);
  return {};
}

PublisherResources ReadPublisherResources(const InputFile& file) {
  PublisherResources kept;
  std::vector<uint8_t> image;
  try {
    image = ReadImageOf(file);
  } catch (const Refusal&) {
    return kept;  // no 32-bit image in front of the archive: nothing of the publisher's
  }
  try {
    std::vector<Resource> resources = ReadResources(image);
    ProgramIcon icon = ProgramIconOf(resources);
    if (icon.publishers) kept.icon = icon.images;
    for (const auto& s : VersionOf(resources))
      for (size_t k = 0; k < kVersionKeyCount; ++k)
        if (s.first == kVersionKeys[k]) kept.version.insert(s);
  } catch (const Refusal& e) {
    throw Refusal(file.Path() + ": --keep-settings: its icon and version resources cannot be read (" +
                  std::string(e.what()) + ")");
  }
  return kept;
}

std::vector<uint8_t> WithPublisherResources(const std::vector<uint8_t>& stub, const PublisherResources& publisher,
                                            const std::string& stubName, const std::string& iconSource) {
  std::vector<uint8_t> image;
  try {
    std::vector<Resource> resources = ReadResources(stub);
    if (!publisher.icon.empty()) {
      auto group = std::find_if(resources.begin(), resources.end(), IsGroup);
      Resource program;
      program.type = ResourceKey::Id(kResourceGroupIcon);
      program.name = ResourceKey::Id(1);
      program.language = resources.empty() ? kEnglishUs : resources[0].language;
      if (group != resources.end()) {
        program = *group;
        std::vector<uint16_t> own = ImageIds(program);
        std::set<uint16_t> kept;
        for (const Resource& r : resources)
          if (IsGroup(r) && !(r.name == program.name))
            for (uint16_t id : ImageIds(r)) kept.insert(id);
        resources.erase(std::remove_if(resources.begin(), resources.end(), [&](const Resource& r) {
          bool ownImage = r.type == ResourceKey::Id(kResourceIcon) && r.name.name.empty() &&
                          std::count(own.begin(), own.end(), r.name.id) && !kept.count(r.name.id);
          return ownImage || (IsGroup(r) && r.name == program.name);
        }), resources.end());
      }
      uint32_t firstId = 1;
      for (const Resource& r : resources)
        if (r.type == ResourceKey::Id(kResourceIcon) && r.name.name.empty()) firstId = std::max(firstId, r.name.id + 1u);
      if (firstId + publisher.icon.size() > 0x10000) throw Refusal("no free icon image ids");
      for (size_t i = 0; i < publisher.icon.size(); ++i) {
        Resource r = program;
        r.type = ResourceKey::Id(kResourceIcon);
        r.name = ResourceKey::Id((uint16_t)(firstId + i));
        r.data = publisher.icon[i].data;
        resources.push_back(r);
      }
      program.data = BuildIconGroup(publisher.icon, (uint16_t)firstId);
      resources.push_back(program);
    }
    if (HasVersionStrings(publisher.version)) {
      resources.erase(std::remove_if(resources.begin(), resources.end(), [](const Resource& r) {
        return r.type == ResourceKey::Id(kResourceVersion);
      }), resources.end());
      Resource version;
      version.type = ResourceKey::Id(kResourceVersion);
      version.name = ResourceKey::Id(kVersionId);
      version.language = kEnglishUs;
      version.data = BuildVersionResource(publisher.version);
      resources.push_back(version);
    }
    image = WithResourceSection(stub, resources);
  } catch (const Refusal& e) {
    throw Refusal(stubName + ": its resources cannot take the icon and version: " + std::string(e.what()));
  }
  // The stub's search for its end record may reach back into the image, and
  // peers that scan for local headers read it too.
  for (const char* signature : {"PK\x03\x04", "PK\x05\x06"}) {
    auto at = std::search(image.begin(), image.end(), signature, signature + 4);
    if (at != image.end())
      throw Refusal(iconSource + " puts a ZIP signature (PK\\" + std::to_string(signature[2]) + "\\" +
                    std::to_string(signature[3]) + ") into the self-extractor's image at " +
                    Hex((uint64_t)(at - image.begin())) + ", which the stub's search for its archive could "
                    "take for the archive's; change a pixel of that image or give another icon");
  }
  return image;
}
