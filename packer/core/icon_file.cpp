// .ico files and icon group resources.
#include "icon_file.h"

#include <algorithm>
#include <cstring>

#include "errors.h"
#include "common/zip_format.h"

namespace {

const size_t kHeaderSize = 6;       // ICONDIR: reserved, type, count
const size_t kFileEntrySize = 16;   // ICONDIRENTRY: ..., bytes, file offset
const size_t kGroupEntrySize = 14;  // GRPICONDIRENTRY: ..., bytes, resource id
const uint16_t kTypeIcon = 1, kTypeCursor = 2;
const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const size_t kPngHeaderEnd = 8 + 8 + 13;  // signature, IHDR's length and type, its fields

uint32_t ReadBig32(const uint8_t* p) { return (uint32_t)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
uint32_t Pixels(uint8_t field) { return field ? field : 256; }

// Why the image's own header disagrees with its directory entry, or "".
std::string ImageProblem(const IconImage& image) {
  const std::vector<uint8_t>& d = image.data;
  const uint32_t width = Pixels(image.width), height = Pixels(image.height);
  if (image.IsPng()) {
    if (d.size() < kPngHeaderEnd || std::memcmp(&d[12], "IHDR", 4) != 0) return "a PNG image without its IHDR header";
    if (ReadBig32(&d[16]) != width || ReadBig32(&d[20]) != height) return "a PNG image of another size than its entry";
    return "";
  }
  const size_t kBitmapHeader = 40;  // BITMAPINFOHEADER
  if (d.size() < kBitmapHeader || Read32(&d[0]) != kBitmapHeader)
    return "an image that is neither PNG nor a bitmap (BITMAPINFOHEADER)";
  uint32_t bits = Read16(&d[14]), colours = Read32(&d[32]);
  if (Read32(&d[4]) != width || Read32(&d[8]) != 2 * height) return "a bitmap of another size than its entry";
  if (Read16(&d[12]) != 1 || Read32(&d[16]) != 0) return "a bitmap with planes other than 1 or compressed";
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return "a bitmap of " + std::to_string(bits) + " bits per pixel";
  uint64_t palette = bits <= 8 ? 4ull * (colours ? colours : 1u << bits) : 0;
  if (bits <= 8 && colours > (1u << bits)) return "a bitmap with more colours than its bits hold";
  uint64_t rows = (uint64_t)(width * bits + 31) / 32 * 4 * height, mask = (uint64_t)(width + 31) / 32 * 4 * height;
  if (kBitmapHeader + palette + rows + mask > d.size()) return "a bitmap cut short (its pixels and mask)";
  return "";
}

void PutEntry(uint8_t* e, const IconImage& image) {
  e[0] = image.width;
  e[1] = image.height;
  e[2] = image.colorCount;
  e[3] = 0;
  Write16(e + 4, image.planes);
  Write16(e + 6, image.bitCount);
  Write32(e + 8, (uint32_t)image.data.size());
}

// The fields an .ico's entry and an icon group's entry share (their first
// 8 bytes); the image's bytes are the caller's.
IconImage EntryImage(const uint8_t* e) {
  IconImage image;
  image.width = e[0];
  image.height = e[1];
  image.colorCount = e[2];
  image.planes = Read16(e + 4);
  image.bitCount = Read16(e + 6);
  return image;
}

}  // namespace

bool IconImage::IsPng() const {
  return data.size() >= sizeof kPngSignature && std::memcmp(data.data(), kPngSignature, sizeof kPngSignature) == 0;
}

std::string IconImage::Describe() const {
  std::string size = std::to_string(Pixels(width)) + "x" + std::to_string(Pixels(height));
  if (IsPng()) return size + " PNG";
  uint16_t bits = data.size() >= 16 ? Read16(&data[14]) : bitCount;
  return size + " " + std::to_string(bits) + "-bit";
}

std::vector<IconImage> ParseIconFile(const std::vector<uint8_t>& bytes, const std::string& path) {
  auto refuse = [&](const std::string& why) { throw Refusal(path + ": not an icon file (.ico) mksfx takes: " + why); };
  if (bytes.size() > kLargestIconFile)
    refuse(std::to_string(bytes.size()) + " bytes, more than " + std::to_string(kLargestIconFile));
  if (bytes.size() < kHeaderSize || Read16(&bytes[0]) != 0) refuse("no icon header");
  if (Read16(&bytes[2]) == kTypeCursor) refuse("a cursor file");
  if (Read16(&bytes[2]) != kTypeIcon) refuse("no icon header");
  const size_t count = Read16(&bytes[4]);
  if (!count) refuse("no images");
  if (count > kMaxIconImages)
    refuse(std::to_string(count) + " images, more than " + std::to_string(kMaxIconImages));
  const size_t directoryEnd = kHeaderSize + kFileEntrySize * count;
  if (bytes.size() < directoryEnd) refuse("its directory is cut short");
  std::vector<IconImage> images;
  std::vector<std::pair<uint64_t, uint64_t>> spans;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = &bytes[kHeaderSize + kFileEntrySize * i];
    std::string which = "image " + std::to_string(i + 1) + " of " + std::to_string(count) + ": ";
    uint64_t size = Read32(e + 8), offset = Read32(e + 12);
    if (e[3] != 0) refuse(which + "the reserved byte of its entry is not 0");
    if (!size || offset < directoryEnd || offset + size > bytes.size())
      refuse(which + "its bytes lie outside the file or in its directory");
    for (const auto& s : spans)
      if (offset < s.second && s.first < offset + size) refuse(which + "its bytes overlap another image's");
    spans.emplace_back(offset, offset + size);
    IconImage image = EntryImage(e);
    image.data.assign(bytes.begin() + (long)offset, bytes.begin() + (long)(offset + size));
    std::string problem = ImageProblem(image);
    if (!problem.empty()) refuse(which + problem);
    images.push_back(std::move(image));
  }
  return images;
}

std::vector<uint8_t> BuildIconGroup(const std::vector<IconImage>& images, uint16_t firstId) {
  std::vector<uint8_t> group(kHeaderSize + kGroupEntrySize * images.size(), 0);
  Write16(&group[2], kTypeIcon);
  Write16(&group[4], (uint16_t)images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    uint8_t* e = &group[kHeaderSize + kGroupEntrySize * i];
    PutEntry(e, images[i]);
    Write16(e + 12, (uint16_t)(firstId + i));
  }
  return group;
}

std::vector<uint16_t> ParseIconGroup(const std::vector<uint8_t>& group, std::vector<IconImage>& images) {
  if (group.size() < kHeaderSize || Read16(&group[2]) != kTypeIcon)
    throw Refusal("an icon group resource without its header");
  size_t count = Read16(&group[4]);
  if (group.size() < kHeaderSize + kGroupEntrySize * count) throw Refusal("an icon group resource cut short");
  std::vector<uint16_t> ids;
  images.clear();
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = &group[kHeaderSize + kGroupEntrySize * i];
    images.push_back(EntryImage(e));
    ids.push_back(Read16(e + 12));
  }
  return ids;
}

std::string DescribeIcon(const std::vector<IconImage>& images) {
  std::string text = std::to_string(images.size()) + (images.size() == 1 ? " image" : " images");
  for (size_t i = 0; i < images.size(); ++i) text += (i ? ", " : ": ") + images[i].Describe();
  return text;
}
