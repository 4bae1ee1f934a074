// Reading and writing a 32-bit image's resource directory.
#include "pe_resources.h"

#include <algorithm>
#include <map>

#include "errors.h"
#include "common/pe_format.h"

namespace {

const uint16_t kPe32Magic = 0x10B;
const size_t kSectionHeaderSize = 40;
const size_t kDirectoryHeaderSize = 16;  // IMAGE_RESOURCE_DIRECTORY
const size_t kDirectoryEntrySize = 8;
const size_t kDataEntrySize = 16;        // IMAGE_RESOURCE_DATA_ENTRY
const uint32_t kHighBit = 0x80000000;
const uint32_t kResourceDirectory = 2;   // its index among the data directories
const uint32_t kInitializedReadable = 0x40000040;  // IMAGE_SCN_CNT_INITIALIZED_DATA | MEM_READ
// Headers beyond this are no image the loader maps (its first page).
const size_t kHeaderPage = 4096;
// A self-extractor's image: the stub, and its resources at most a few MiB.
const uint64_t kLargestImage = 64u << 20;
// More resources than any program has: the stub has 8.
const size_t kMostResources = 4096;

uint32_t Align(uint32_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }

// Where the headers of a PE32 image lie in `image`; throws Refusal.
struct Headers {
  size_t pe = 0, optional = 0, sections = 0;
  uint16_t count = 0;

  explicit Headers(const std::vector<uint8_t>& image) {
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') throw Refusal("no MZ header");
    pe = Read32(&image[kDosNewHeaderOffset]);
    if (pe < 0x40 || pe + 24 + 96 > std::min(image.size(), kHeaderPage) || Read32(&image[pe]) != 0x4550)
      throw Refusal("no PE header in the first 4 KiB");
    optional = pe + 24;
    if (Read16(&image[optional]) != kPe32Magic) throw Refusal("not a 32-bit (PE32) image");
    count = Read16(&image[pe + 6]);
    sections = optional + Read16(&image[pe + 20]);
    if (Read16(&image[pe + 20]) < 96 + 8 * (kResourceDirectory + 1) ||
        Read32(&image[optional + 92]) <= kResourceDirectory)
      throw Refusal("the optional header holds no resource directory entry");
    if (sections + kSectionHeaderSize * count > image.size()) throw Refusal("the section table is cut short");
  }
  size_t Section(size_t i) const { return sections + kSectionHeaderSize * i; }
  size_t ResourceEntry() const { return optional + 96 + 8 * kResourceDirectory; }
};

// Reads the directory tree through the one section that holds it.
class DirectoryReader {
 public:
  DirectoryReader(const std::vector<uint8_t>& image, uint32_t rva, uint32_t size) : image_(image) {
    Headers h(image);
    for (size_t i = 0; i < h.count; ++i) {
      const uint8_t* s = &image[h.Section(i)];
      uint32_t va = Read32(s + 12), raw = Read32(s + 16), pos = Read32(s + 20);
      if (rva < va || rva - va >= raw) continue;
      if ((uint64_t)pos + raw > image.size()) throw Refusal("the section of the resource directory is cut short");
      base_ = pos + (rva - va);
      end_ = pos + raw;
      sectionVa_ = va;
      sectionPos_ = pos;
      break;
    }
    if (!end_) throw Refusal("the resource directory lies in no section");
    if (size < kDirectoryHeaderSize || base_ + kDirectoryHeaderSize > end_)
      throw Refusal("the resource directory is cut short");
  }

  void Read(std::vector<Resource>& out) {
    Resource r;
    Walk(0, 0, r, out);
  }

 private:
  // The bytes at `offset` from the directory's start; throws past the section.
  const uint8_t* At(uint64_t offset, uint64_t count) const {
    if (base_ + offset + count > end_) throw Refusal("the resource directory points outside its section");
    return &image_[base_ + offset];
  }

  ResourceKey Key(uint32_t field) const {
    if (!(field & kHighBit)) {
      if (field > 0xFFFF) throw Refusal("a resource id is larger than 16 bits");
      return ResourceKey::Id((uint16_t)field);
    }
    uint32_t offset = field & ~kHighBit;
    uint16_t length = Read16(At(offset, 2));
    if (!length) throw Refusal("a resource name is empty");
    const uint8_t* text = At(offset + 2, 2u * length);
    ResourceKey key;
    for (size_t i = 0; i < length; ++i) key.name += (char16_t)Read16(text + 2 * i);
    return key;
  }

  // depth 0: types, 1: names, 2: languages, whose entries name data.
  void Walk(uint32_t offset, int depth, Resource& r, std::vector<Resource>& out) {
    const uint8_t* header = At(offset, kDirectoryHeaderSize);
    uint32_t entries = (uint32_t)Read16(header + 12) + Read16(header + 14);
    const uint8_t* entry = At(offset + kDirectoryHeaderSize, (uint64_t)kDirectoryEntrySize * entries);
    for (uint32_t i = 0; i < entries; ++i, entry += kDirectoryEntrySize) {
      if (++visited_ > 3 * kMostResources) throw Refusal("more resources than an image holds (shared directories?)");
      uint32_t target = Read32(entry + 4);
      bool isDirectory = (target & kHighBit) != 0;
      if (isDirectory != (depth < 2)) throw Refusal("the resource directory is not three levels deep");
      if (depth == 0) r.type = Key(Read32(entry));
      if (depth == 1) r.name = Key(Read32(entry));
      if (isDirectory) {
        Walk(target & ~kHighBit, depth + 1, r, out);
        continue;
      }
      uint32_t language = Read32(entry);
      if (language > 0xFFFF) throw Refusal("a resource language is no 16-bit id");
      r.language = (uint16_t)language;
      const uint8_t* data = At(target, kDataEntrySize);
      uint32_t dataRva = Read32(data), size = Read32(data + 4);
      r.codePage = Read32(data + 8);
      uint64_t pos = (uint64_t)dataRva - sectionVa_ + sectionPos_;
      if (dataRva < sectionVa_ || pos + size > end_) throw Refusal("a resource's data lies outside its section");
      // Entries may share directories and data: a hostile file's tree is
      // bounded by what a real image holds.
      if (out.size() >= kMostResources || (taken_ += size) > kLargestImage)
        throw Refusal("more resources than an image holds (shared directories?)");
      r.data.assign(image_.begin() + (long)pos, image_.begin() + (long)(pos + size));
      out.push_back(r);
    }
  }

  const std::vector<uint8_t>& image_;
  uint64_t taken_ = 0;
  size_t visited_ = 0;
  uint64_t base_ = 0, end_ = 0, sectionVa_ = 0, sectionPos_ = 0;
};

// Where each piece of a directory being written goes.
struct Layout {
  std::vector<uint8_t> bytes;
  void Put16(size_t at, uint16_t v) { Write16(&bytes[at], v); }
  void Put32(size_t at, uint32_t v) { Write32(&bytes[at], v); }
};

}  // namespace

bool ResourceKey::operator<(const ResourceKey& o) const {
  if (name.empty() != o.name.empty()) return !name.empty();
  return name.empty() ? id < o.id : name < o.name;
}

std::vector<Resource> ReadResources(const std::vector<uint8_t>& image) {
  Headers h(image);
  uint32_t rva = Read32(&image[h.ResourceEntry()]), size = Read32(&image[h.ResourceEntry() + 4]);
  std::vector<Resource> out;
  if (!rva) return out;
  DirectoryReader(image, rva, size).Read(out);
  return out;
}

std::vector<uint8_t> ReadImageOf(const InputFile& file) {
  std::vector<uint8_t> headers = file.ReadSome(0, kHeaderPage);
  Headers h(headers);
  uint64_t end = headers.size();
  for (size_t i = 0; i < h.count; ++i) {
    const uint8_t* s = &headers[h.Section(i)];
    end = std::max(end, (uint64_t)Read32(s + 20) + Read32(s + 16));
  }
  if (end > kLargestImage || end > file.Size())
    throw Refusal("its sections reach past " + std::to_string(std::min(kLargestImage, file.Size())) + " bytes");
  return file.ReadAt(0, (size_t)end);
}

std::vector<uint8_t> WithResourceSection(const std::vector<uint8_t>& original, std::vector<Resource> resources) {
  std::vector<uint8_t> image = original;
  Headers h(image);
  uint32_t fileAlignment = Read32(&image[h.optional + 36]), sectionAlignment = Read32(&image[h.optional + 32]);
  if (!fileAlignment || !sectionAlignment) throw Refusal("the image's alignments are zero");
  size_t header = h.Section(h.count);
  uint32_t virtualEnd = 0, rawEnd = (uint32_t)image.size(), firstRaw = Read32(&image[h.optional + 60]);
  for (size_t i = 0; i < h.count; ++i) {
    const uint8_t* s = &image[h.Section(i)];
    virtualEnd = std::max(virtualEnd, Read32(s + 12) + std::max(Read32(s + 8), Read32(s + 16)));
    rawEnd = std::max(rawEnd, Read32(s + 20) + Read32(s + 16));
    if (Read32(s + 16)) firstRaw = std::min(firstRaw, Read32(s + 20));
  }
  if (header + kSectionHeaderSize > firstRaw ||
      std::any_of(&image[header], &image[header] + kSectionHeaderSize, [](uint8_t b) { return b != 0; }))
    throw Refusal("no room for one more section header behind the section table");
  const uint32_t sectionRva = Align(virtualEnd, sectionAlignment);
  const uint32_t sectionPos = Align(rawEnd, fileAlignment);

  // Types, then names within a type, then languages, each in directory order.
  std::stable_sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
    if (!(a.type == b.type)) return a.type < b.type;
    if (!(a.name == b.name)) return a.name < b.name;
    return a.language < b.language;
  });
  std::vector<ResourceKey> types;
  std::vector<std::vector<size_t>> namesOfType;  // first resource of each name
  for (size_t i = 0; i < resources.size(); ++i) {
    if (i && resources[i].type == resources[i - 1].type && resources[i].name == resources[i - 1].name &&
        resources[i].language == resources[i - 1].language)
      throw Refusal("two resources of one type, name and language");
    if (!i || !(resources[i].type == resources[i - 1].type)) {
      types.push_back(resources[i].type);
      namesOfType.emplace_back();
    }
    if (!i || !(resources[i].type == resources[i - 1].type) || !(resources[i].name == resources[i - 1].name))
      namesOfType.back().push_back(i);
  }
  auto languagesFrom = [&](size_t first) {
    size_t n = first;
    while (n < resources.size() && resources[n].type == resources[first].type &&
           resources[n].name == resources[first].name)
      ++n;
    return n - first;
  };

  // Offsets: the root, the type directories, the name directories, the data
  // entries, the names' strings, then the data, each 8-aligned.
  size_t size = kDirectoryHeaderSize + kDirectoryEntrySize * types.size();
  std::vector<size_t> typeAt, nameAt;
  for (const auto& names : namesOfType) {
    typeAt.push_back(size);
    size += kDirectoryHeaderSize + kDirectoryEntrySize * names.size();
  }
  for (const auto& names : namesOfType)
    for (size_t first : names) {
      nameAt.push_back(size);
      size += kDirectoryHeaderSize + kDirectoryEntrySize * languagesFrom(first);
    }
  const size_t dataEntries = size;
  size += kDataEntrySize * resources.size();
  std::map<std::u16string, size_t> stringAt;
  for (const Resource& r : resources)
    for (const ResourceKey* key : {&r.type, &r.name})
      if (!key->name.empty() && !stringAt.count(key->name)) {
        stringAt[key->name] = size;
        size += 2 + 2 * key->name.size();
      }
  std::vector<size_t> dataAt;
  for (const Resource& r : resources) {
    size = Align((uint32_t)size, 8);
    dataAt.push_back(size);
    size += r.data.size();
  }
  if (size > kLargestImage) throw Refusal("the resources take more than 64 MiB");

  Layout d;
  d.bytes.assign(size, 0);
  auto directory = [&](size_t at, const std::vector<ResourceKey>& keys, const std::vector<uint32_t>& targets) {
    uint16_t named = (uint16_t)std::count_if(keys.begin(), keys.end(), [](const ResourceKey& k) { return !k.name.empty(); });
    d.Put16(at + 12, named);
    d.Put16(at + 14, (uint16_t)(keys.size() - named));
    for (size_t i = 0; i < keys.size(); ++i) {
      size_t e = at + kDirectoryHeaderSize + kDirectoryEntrySize * i;
      d.Put32(e, keys[i].name.empty() ? keys[i].id : kHighBit | (uint32_t)stringAt[keys[i].name]);
      d.Put32(e + 4, targets[i]);
    }
  };
  std::vector<uint32_t> typeTargets;
  for (size_t at : typeAt) typeTargets.push_back(kHighBit | (uint32_t)at);
  directory(0, types, typeTargets);
  size_t nameIndex = 0;
  for (size_t t = 0; t < types.size(); ++t) {
    std::vector<ResourceKey> names;
    std::vector<uint32_t> targets;
    for (size_t first : namesOfType[t]) {
      names.push_back(resources[first].name);
      size_t at = nameAt[nameIndex++];
      targets.push_back(kHighBit | (uint32_t)at);
      std::vector<ResourceKey> languages;
      std::vector<uint32_t> entries;
      for (size_t n = first; n < first + languagesFrom(first); ++n) {
        languages.push_back(ResourceKey::Id(resources[n].language));
        entries.push_back((uint32_t)(dataEntries + kDataEntrySize * n));
      }
      directory(at, languages, entries);
    }
    directory(typeAt[t], names, targets);
  }
  for (size_t n = 0; n < resources.size(); ++n) {
    size_t e = dataEntries + kDataEntrySize * n;
    d.Put32(e, sectionRva + (uint32_t)dataAt[n]);
    d.Put32(e + 4, (uint32_t)resources[n].data.size());
    d.Put32(e + 8, resources[n].codePage);
    std::copy(resources[n].data.begin(), resources[n].data.end(), d.bytes.begin() + (long)dataAt[n]);
  }
  for (const auto& s : stringAt) {
    d.Put16(s.second, (uint16_t)s.first.size());
    for (size_t i = 0; i < s.first.size(); ++i) d.Put16(s.second + 2 + 2 * i, s.first[i]);
  }

  // The section: its header, its bytes at the end of the file, the image's sizes.
  const uint32_t rawSize = Align((uint32_t)size, fileAlignment);
  uint8_t* s = &image[header];
  std::copy_n(".rsrc", 5, s);
  Write32(s + 8, (uint32_t)size);
  Write32(s + 12, sectionRva);
  Write32(s + 16, rawSize);
  Write32(s + 20, sectionPos);
  Write32(s + 36, kInitializedReadable);
  Write16(&image[h.pe + 6], (uint16_t)(h.count + 1));
  Write32(&image[h.optional + 8], Read32(&image[h.optional + 8]) + rawSize);
  Write32(&image[h.optional + 56], sectionRva + Align((uint32_t)size, sectionAlignment));
  Write32(&image[h.ResourceEntry()], sectionRva);
  Write32(&image[h.ResourceEntry() + 4], (uint32_t)size);
  image.resize(sectionPos, 0);
  image.insert(image.end(), d.bytes.begin(), d.bytes.end());
  image.resize(sectionPos + rawSize, 0);
  const size_t checksum = h.optional + 64;
  if (Read32(&image[checksum])) Write32(&image[checksum], ImageChecksum(image, checksum));
  return image;
}

uint32_t ImageChecksum(const std::vector<uint8_t>& bytes, size_t fieldPos) {
  uint64_t sum = 0;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    if (i >= fieldPos && i < fieldPos + 4) continue;
    sum += bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return (uint32_t)(sum + bytes.size());
}
