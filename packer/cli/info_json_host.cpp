// The JSON document of mksfx info.
#include "info_json.h"

#include <cstdio>

#include "option_parser.h"

namespace {

const char32_t kReplacement = 0xFFFD;

// `utf8` quoted, with '"', '\\' and the C0 and C1 control characters escaped;
// a byte that is not UTF-8 becomes U+FFFD, so the document always parses.
std::string Json(const std::string& utf8) {
  std::string out = "\"";
  for (size_t at = 0; at < utf8.size();) {
    char32_t c;
    if (!DecodeUtf8(utf8, at, c)) {
      c = kReplacement;
      ++at;
    }
    if (c == U'"' || c == U'\\') {
      out += '\\';
      out += (char)c;
    } else if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", (unsigned)c);
      out += escape;
    } else {
      AppendUtf8(out, c);
    }
  }
  return out + "\"";
}

const char* Bool(bool value) { return value ? "true" : "false"; }

// A text of the block: null when it has none.
std::string Text(const std::string& bytes, const CodePageTable& page) {
  return bytes.empty() ? "null" : Json(FromCodePage(bytes, page));
}

}  // namespace

void PrintInfoJson(std::ostream& out, const InfoReport& r, const ArchiveLayout& layout,
                   const std::vector<EntryFinding>& findings, const CodePageTable& page) {
  const BlockSettings& s = r.where.settings;
  out << "{\n  \"file\": " << Json(r.file) << ",\n  \"size\": " << r.size
      << ",\n  \"codepage\": " << page.number << ",\n  \"signed\": ";
  if (r.table.pos)
    out << "{\"table_offset\": " << r.table.pos << ", \"table_size\": " << r.table.size << "}";
  else
    out << "null";
  out << ",\n  \"execution_level\": "
      << (r.executionLevel.empty() ? "null" : Json(r.executionLevel)) << ",\n  \"block\": ";
  if (r.where.blockFound)
    out << "{\"offset\": " << r.where.blockPos
        << ", \"size\": " << r.where.firstHeaderPos - r.where.blockPos << "}";
  else
    out << "null";
  out << ",\n  \"first_local_header\": " << r.where.firstHeaderPos << ",\n  \"settings\": {"
      << "\n    \"show_run_checkbox\": " << Bool(s.showRunCheckBox)
      << ",\n    \"selectable_file_list\": " << Bool(s.selectableFileList)
      << ",\n    \"hide_overwrite_choice\": " << Bool(s.hideOverwriteChoice)
      << ",\n    \"overwrite\": \"" << OverwriteModeName(s.overwrite) << "\""
      << ",\n    \"auto_extract\": " << Bool(s.autoExtract)
      << ",\n    \"caption\": " << Text(s.caption, page)
      << ",\n    \"default_folder\": " << Text(s.defaultFolder, page)
      << ",\n    \"run_command\": " << Text(s.runCommand, page)
      << ",\n    \"info_caption\": " << Text(s.infoCaption, page)
      << ",\n    \"info_text\": " << Text(s.infoText, page) << "\n  },\n  \"entries\": [";
  const char* separator = "\n";
  for (const CentralEntry& e : layout.entries) {
    char crc[12];
    std::snprintf(crc, sizeof crc, "%08x", e.crc);
    out << separator << "    {\"name\": " << Json(FromCodePage(e.name, page)) << ", \"method\": \""
        << EntryMethodName(e.method) << "\", \"method_id\": " << e.method
        << ", \"compressed_size\": " << e.compressedSize << ", \"uncompressed_size\": " << e.uncompressedSize
        << ", \"crc32\": \"" << crc << "\", \"encrypted\": " << Bool(e.flags & kFlagEncrypted)
        << ", \"offset\": " << e.localPos << "}";
    separator = ",\n";
  }
  out << (layout.entries.empty() ? "]" : "\n  ]") << ",\n  \"stub_problems\": [";
  separator = "\n";
  for (const EntryFinding& f : findings) {
    out << separator << "    {\"entry\": " << (f.entry.empty() ? "null" : Json(FromCodePage(f.entry, page)))
        << ", \"reason\": " << Json(f.reason) << "}";
    separator = ",\n";
  }
  out << (findings.empty() ? "]" : "\n  ]") << "\n}\n";
}

const char* EntryMethodName(uint16_t method) {
  switch (method) {
    case kMethodStored: return "stored";
    case kMethodDeflated: return "deflated";
    default: return "other";
  }
}
