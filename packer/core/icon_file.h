// An icon: its images as a .ico file holds them, and as an image's
// resources hold them (an RT_GROUP_ICON directory naming RT_ICON images).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The most images mksfx takes from one .ico file, and the longest file.
const size_t kMaxIconImages = 64;
const uint64_t kLargestIconFile = 8u << 20;

struct IconImage {
  // As the directory gives them: width and height 0 stand for 256.
  uint8_t width = 0, height = 0, colorCount = 0;
  uint16_t planes = 0, bitCount = 0;
  std::vector<uint8_t> data;  // a PNG file, or a BITMAPINFOHEADER, colours and the two masks

  bool IsPng() const;
  // "256x256 PNG", "48x48 32-bit"
  std::string Describe() const;
};

// The images of a .ico file in its order; throws Refusal naming `path` for
// a file that is no icon: its header, a directory entry, an image out of the
// file or overlapping another, an image whose own header (PNG or bitmap)
// disagrees with its entry, more than kMaxIconImages images.
std::vector<IconImage> ParseIconFile(const std::vector<uint8_t>& bytes, const std::string& path);

// An RT_GROUP_ICON directory naming `images` as RT_ICON ids firstId,
// firstId + 1, ...
std::vector<uint8_t> BuildIconGroup(const std::vector<IconImage>& images, uint16_t firstId);

// The RT_ICON ids an RT_GROUP_ICON directory names, in its order, and the
// images with their directory fields (data left empty); throws Refusal for a
// directory cut short.
std::vector<uint16_t> ParseIconGroup(const std::vector<uint8_t>& group, std::vector<IconImage>& images);

// "4 images: 16x16 32-bit, 32x32 8-bit, 48x48 32-bit, 256x256 PNG"
std::string DescribeIcon(const std::vector<IconImage>& images);
