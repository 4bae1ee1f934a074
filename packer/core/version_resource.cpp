// Writing and reading VS_VERSIONINFO.
#include "version_resource.h"

#include "codepages.h"
#include "errors.h"
#include "common/zip_format.h"

const char* const kVersionKeys[] = {"CompanyName",      "FileDescription", "FileVersion",    "LegalCopyright",
                                    "OriginalFilename", "ProductName",     "ProductVersion"};
const size_t kVersionKeyCount = sizeof kVersionKeys / sizeof kVersionKeys[0];

namespace {

const uint16_t kBinary = 0, kText = 1;
const uint32_t kFixedSignature = 0xFEEF04BD;
const size_t kFixedSize = 52;  // VS_FIXEDFILEINFO
const char kTable[] = "040904B0";  // U.S. English, UTF-16
const uint32_t kTranslation = 0x04B00409;
const uint32_t kOsNtWindows32 = 0x40004, kTypeApplication = 1;

std::u16string Utf16(const std::string& utf8) {
  std::u16string out;
  char32_t c;
  for (size_t at = 0; at < utf8.size() && DecodeUtf8(utf8, at, c);) {
    if (c < 0x10000) {
      out += (char16_t)c;
    } else {
      out += (char16_t)(0xD800 + ((c - 0x10000) >> 10));
      out += (char16_t)(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return out;
}

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    else if (c >= 0xD800 && c < 0xE000)
      c = 0xFFFD;
    AppendUtf8(out, c);
  }
  return out;
}

// One node of the tree: wLength, wValueLength, wType, szKey, padding, Value,
// padding, Children.  wLength leaves out the padding after the last child.
struct Node {
  std::u16string key;
  uint16_t type = kText;
  std::vector<uint8_t> value;
  uint16_t valueLength = 0;  // in bytes, or in characters for text
  std::vector<Node> children;

  void AppendTo(std::vector<uint8_t>& out) const {
    size_t start = out.size();
    out.resize(start + 6);
    for (char16_t c : key + u'\0') out.push_back((uint8_t)c), out.push_back((uint8_t)(c >> 8));
    out.resize((out.size() + 3) & ~size_t(3), 0);
    out.insert(out.end(), value.begin(), value.end());
    for (const Node& child : children) {
      out.resize((out.size() + 3) & ~size_t(3), 0);
      child.AppendTo(out);
    }
    if (out.size() - start > 0xFFFF)
      throw Refusal("--version-info: the version resource would be " + std::to_string(out.size() - start) +
                    " bytes long; its length field holds at most 65535");
    Write16(&out[start], (uint16_t)(out.size() - start));
    Write16(&out[start + 2], valueLength);
    Write16(&out[start + 4], type);
  }
};

Node Text(const std::string& key, const std::string& utf8) {
  Node n;
  n.key = Utf16(key);
  std::u16string text = Utf16(utf8) + u'\0';
  for (char16_t c : text) n.value.push_back((uint8_t)c), n.value.push_back((uint8_t)(c >> 8));
  n.valueLength = (uint16_t)text.size();
  return n;
}

// Reads a node at `at` within `end`; its value and children's span.
struct Read {
  size_t end = 0, value = 0, children = 0;
  uint16_t valueLength = 0, type = 0;
  std::u16string key;

  Read(const std::vector<uint8_t>& r, size_t at, size_t limit) {
    if (at + 6 > limit) throw Refusal("a version resource cut short");
    end = at + Read16(&r[at]);
    valueLength = Read16(&r[at + 2]);
    type = Read16(&r[at + 4]);
    if (end > limit || end < at + 6) throw Refusal("a version resource node out of bounds");
    size_t p = at + 6;
    for (; p + 2 <= end && Read16(&r[p]); p += 2) key += (char16_t)Read16(&r[p]);
    if (p + 2 > end) throw Refusal("a version resource key without its end");
    value = (p + 2 + 3) & ~size_t(3);
    size_t bytes = type == kText ? 2u * valueLength : valueLength;
    children = (value + bytes + 3) & ~size_t(3);
    if (value + bytes > end) throw Refusal("a version resource value out of bounds");
  }
};

std::string Dotted(uint32_t most, uint32_t least) {
  return std::to_string(most >> 16) + "." + std::to_string(most & 0xFFFF) + "." + std::to_string(least >> 16) +
         "." + std::to_string(least & 0xFFFF);
}

}  // namespace

bool ParseDottedVersion(const std::string& text, uint64_t& version) {
  version = 0;
  size_t parts = 0, at = 0;
  while (parts < 4) {
    size_t digits = 0;
    uint32_t part = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 6)
      part = part * 10 + (uint32_t)(text[at++] - '0'), ++digits;
    if (!digits || digits > 5 || part > 0xFFFF) return false;
    version |= (uint64_t)part << (48 - 16 * parts++);
    if (at == text.size()) return true;
    if (text[at++] != '.') return false;
  }
  return false;
}

void SetVersionString(VersionStrings& strings, const std::string& keyAndValue) {
  size_t equals = keyAndValue.find('=');
  std::string key = keyAndValue.substr(0, equals), value;
  if (equals == std::string::npos)
    throw UsageError("--version-info " + Printable(keyAndValue) + ": give KEY=VALUE");
  value = keyAndValue.substr(equals + 1);
  bool known = false;
  for (const char* k : kVersionKeys) known = known || key == k;
  if (!known) {
    std::string list;
    for (const char* k : kVersionKeys) list += (list.empty() ? "" : ", ") + std::string(k);
    throw UsageError("--version-info: unknown key \"" + Printable(key) + "\"; the keys are " + list);
  }
  uint64_t number;
  if ((key == "FileVersion" || key == "ProductVersion") && !value.empty() && !ParseDottedVersion(value, number))
    throw UsageError("--version-info " + key + "=" + Printable(value) +
                     ": give 1 to 4 numbers from 0 to 65535 separated by dots (1.2.3.4)");
  if (!IsValidUtf8(value)) throw Refusal("--version-info " + key + ": not valid UTF-8");
  strings[key] = value;
}

bool HasVersionStrings(const VersionStrings& strings) {
  for (const auto& s : strings)
    if (!s.second.empty()) return true;
  return false;
}

std::vector<uint8_t> BuildVersionResource(const VersionStrings& strings) {
  uint64_t file = 0, product = 0;
  for (const auto& s : strings) {
    if (s.first == "FileVersion") ParseDottedVersion(s.second, file);
    if (s.first == "ProductVersion") ParseDottedVersion(s.second, product);
  }
  Node root;
  root.key = u"VS_VERSION_INFO";
  root.type = kBinary;
  root.value.assign(kFixedSize, 0);
  root.valueLength = kFixedSize;
  uint32_t fixed[13] = {kFixedSignature, 0x10000, (uint32_t)(file >> 32), (uint32_t)file,
                        (uint32_t)(product >> 32), (uint32_t)product, 0x3F, 0, kOsNtWindows32, kTypeApplication};
  for (size_t i = 0; i < 13; ++i) Write32(&root.value[4 * i], fixed[i]);
  Node table;
  table.key = Utf16(kTable);
  for (const char* key : kVersionKeys) {
    auto found = strings.find(key);
    if (found != strings.end() && !found->second.empty()) table.children.push_back(Text(key, found->second));
  }
  Node stringInfo;
  stringInfo.key = u"StringFileInfo";
  stringInfo.children.push_back(table);
  Node translation;
  translation.key = u"Translation";
  translation.type = kBinary;
  translation.value.assign(4, 0);
  Write32(translation.value.data(), kTranslation);
  translation.valueLength = 4;
  Node varInfo;
  varInfo.key = u"VarFileInfo";
  varInfo.children.push_back(translation);
  root.children = {stringInfo, varInfo};
  std::vector<uint8_t> out;
  root.AppendTo(out);
  return out;
}

VersionStrings ParseVersionResource(const std::vector<uint8_t>& r) {
  Read root(r, 0, r.size());
  if (root.key != u"VS_VERSION_INFO" || root.valueLength < kFixedSize || Read32(&r[root.value]) != kFixedSignature)
    throw Refusal("a version resource without its VS_VERSION_INFO header");
  VersionStrings strings;
  strings["FILEVERSION"] = Dotted(Read32(&r[root.value + 8]), Read32(&r[root.value + 12]));
  strings["PRODUCTVERSION"] = Dotted(Read32(&r[root.value + 16]), Read32(&r[root.value + 20]));
  for (size_t at = root.children; at < root.end;) {
    Read info(r, at, root.end);
    if (info.key == u"StringFileInfo" && info.children < info.end) {
      Read table(r, info.children, info.end);
      for (size_t s = table.children; s < table.end;) {
        Read text(r, s, table.end);
        std::u16string value;
        for (size_t p = text.value; p + 2 <= text.value + 2u * text.valueLength && Read16(&r[p]); p += 2)
          value += (char16_t)Read16(&r[p]);
        strings[Utf8(text.key)] = Utf8(value);
        s = (text.end + 3) & ~size_t(3);
      }
    }
    at = (info.end + 3) & ~size_t(3);
  }
  return strings;
}
