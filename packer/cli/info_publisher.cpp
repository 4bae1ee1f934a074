// info's lines of the program's icon and version resource.
#include "info_publisher.h"

#include <cstdio>

#include "codepages.h"
#include "errors.h"
#include "publisher_resources.h"

namespace {

struct Shown {
  std::string problem;  // why the resources could not be read, or ""
  ProgramIcon icon;
  VersionStrings version;
};

Shown Read(const InputFile& file) {
  Shown s;
  try {
    std::vector<Resource> resources = ReadResources(ReadImageOf(file));
    s.icon = ProgramIconOf(resources);
    s.version = VersionOf(resources);
  } catch (const Refusal& e) {
    s.problem = e.what();
  }
  return s;
}

// UTF-8 (well-formed: it comes from UTF-16) quoted for JSON.
std::string Json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += (char)c;
    } else if (c < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", c);
      out += escape;
    } else {
      out += (char)c;
    }
  }
  return out + "\"";
}

const char* const kNumbers[] = {"FILEVERSION", "PRODUCTVERSION"};

}  // namespace

void PrintPublisherResources(std::ostream& out, const InputFile& file) {
  Shown s = Read(file);
  if (!s.problem.empty()) {
    out << "icon and version: not read (" << s.problem << ")\n";
    return;
  }
  out << "icon: ";
  if (!s.icon.found) out << "none\n";
  else out << (s.icon.publishers ? "the publisher's, " : "the stub's own, ") << DescribeIcon(s.icon.images) << "\n";
  if (s.version.empty()) {
    out << "version information: none\n";
    return;
  }
  out << "version information:\n";
  for (const auto& v : s.version) {
    if (v.first == kNumbers[0] || v.first == kNumbers[1]) continue;
    std::string key = Printable(v.first) + ":";
    key.resize(std::max<size_t>(key.size() + 1, 20), ' ');
    out << "  " << key << "\"" << Printable(v.second) << "\"\n";
  }
  out << "  numeric:            file " << s.version[kNumbers[0]] << ", product " << s.version[kNumbers[1]] << "\n";
}

void PrintPublisherResourcesJson(std::ostream& out, const InputFile& file) {
  Shown s = Read(file);
  out << ",\n  \"icon\": ";
  if (!s.icon.found) {
    out << "null";
  } else {
    out << "{\"publishers\": " << (s.icon.publishers ? "true" : "false") << ", \"images\": [";
    for (size_t i = 0; i < s.icon.images.size(); ++i) {
      const IconImage& image = s.icon.images[i];
      out << (i ? ", " : "") << "{\"width\": " << (image.width ? image.width : 256)
          << ", \"height\": " << (image.height ? image.height : 256) << ", \"format\": \""
          << (image.IsPng() ? "png" : "bmp") << "\", \"size\": " << image.data.size() << "}";
    }
    out << "]}";
  }
  out << ",\n  \"version_info\": ";
  if (s.version.empty()) {
    out << "null";
    return;
  }
  out << "{\"file_version\": " << Json(s.version[kNumbers[0]]) << ", \"product_version\": "
      << Json(s.version[kNumbers[1]]) << ", \"strings\": {";
  const char* separator = "";
  for (const auto& v : s.version) {
    if (v.first == kNumbers[0] || v.first == kNumbers[1]) continue;
    out << separator << Json(v.first) << ": " << Json(v.second);
    separator = ", ";
  }
  out << "}}";
}
