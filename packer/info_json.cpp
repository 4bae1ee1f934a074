// The JSON document of mksfx info.
#include "info_json.h"

#include <cstdio>

#include "platform/host_control.h"
#include "startup/startup.h"
#include "common/zip_format.h"

namespace {

const char32_t kReplacement = 0xFFFD;

std::u32string FromCodePage(const std::string& bytes, const CodePageTable& page) {
  std::u32string out;
  for (char c : bytes) {
    uint8_t b = (uint8_t)c;
    char32_t mapped = b < 0x80 ? b : page.upper[b - 0x80];
    out += mapped ? mapped : (char32_t)b;
  }
  return out;
}

std::u32string FromUtf8(const std::string& text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    uint8_t b = (uint8_t)text[i];
    size_t length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (!length || !IsValidUtf8(text.substr(i, length))) {
      out += kReplacement;
      ++i;
      continue;
    }
    char32_t c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
    for (size_t k = 1; k < length; ++k) c = c << 6 | ((uint8_t)text[i + k] & 0x3F);
    out += c;
    i += length;
  }
  return out;
}

// Quoted, with '"', '\' and the C0 and C1 control characters escaped.
std::string Json(const std::u32string& text) {
  std::string out = "\"";
  for (char32_t c : text) {
    if (c == U'"' || c == U'\\') {
      out += '\\';
      out += (char)c;
    } else if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", (unsigned)c);
      out += escape;
    } else if (c < 0x80) {
      out += (char)c;
    } else if (c < 0x800) {
      out += (char)(0xC0 | c >> 6);
      out += (char)(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += (char)(0xE0 | c >> 12);
      out += (char)(0x80 | (c >> 6 & 0x3F));
      out += (char)(0x80 | (c & 0x3F));
    } else {
      out += (char)(0xF0 | c >> 18);
      out += (char)(0x80 | (c >> 12 & 0x3F));
      out += (char)(0x80 | (c >> 6 & 0x3F));
      out += (char)(0x80 | (c & 0x3F));
    }
  }
  return out + "\"";
}

const char* Bool(bool value) { return value ? "true" : "false"; }

std::string Text(const InfoText& text, const CodePageTable& page) {
  return text.present ? Json(FromCodePage(text.bytes, page)) : "null";
}

const char* MethodName(uint16_t method) {
  switch (method) {
    case kMethodStored: return "stored";
    case kMethodDeflated: return "deflated";
    default: return "other";
  }
}

InfoText Taken(BOOL present, const char* text) {
  InfoText t;
  t.present = present && text;
  if (t.present) t.bytes = text;
  return t;
}

}  // namespace

void TakeSettings(InfoReport& r, const std::string& folder) {
  const Settings& s = SfxSettings;
  r.showRunCheckBox = s.ShowRunCheckBox;
  r.selectableFileList = s.SelectableFileList;
  r.hideOverwriteChoice = s.HideOverwriteChoice;
  r.overwrite = s.OverwriteButtonId == IDC_MAIN_OVERWRITE       ? "overwrite"
                : s.OverwriteButtonId == IDC_MAIN_SKIP_EXISTING ? "skip"
                                                                : "ask";
  r.autoExtract = s.AutoExtract;
  r.caption = Taken(s.HasCaption, s.Caption);
  r.defaultFolder = Taken(s.HasDefaultFolder, folder.c_str());
  r.runCommand = Taken(s.HasRunCommand, s.RunCommand);
  r.infoCaption = Taken(s.HasInfoCaption, s.InfoCaption);
  r.infoText = Taken(s.HasInfoText, s.InfoText);
}

void PrintInfoJson(std::ostream& out, const InfoReport& r, const ArchiveLayout& layout,
                   const std::vector<EntryFinding>& findings, const CodePageTable& page) {
  out << "{\n  \"file\": " << Json(FromUtf8(r.file)) << ",\n  \"size\": " << r.size
      << ",\n  \"codepage\": " << page.number << ",\n  \"signed\": ";
  if (r.table.pos)
    out << "{\"table_offset\": " << r.table.pos << ", \"table_size\": " << r.table.size << "}";
  else
    out << "null";
  out << ",\n  \"execution_level\": "
      << (r.executionLevel.empty() ? "null" : Json(FromUtf8(r.executionLevel))) << ",\n  \"block\": ";
  if (r.where.blockFound)
    out << "{\"offset\": " << r.where.blockPos
        << ", \"size\": " << r.where.firstHeaderPos - r.where.blockPos << "}";
  else
    out << "null";
  out << ",\n  \"first_local_header\": " << r.where.firstHeaderPos << ",\n  \"settings\": {"
      << "\n    \"show_run_checkbox\": " << Bool(r.showRunCheckBox)
      << ",\n    \"selectable_file_list\": " << Bool(r.selectableFileList)
      << ",\n    \"hide_overwrite_choice\": " << Bool(r.hideOverwriteChoice)
      << ",\n    \"overwrite\": \"" << r.overwrite << "\""
      << ",\n    \"auto_extract\": " << Bool(r.autoExtract)
      << ",\n    \"caption\": " << Text(r.caption, page)
      << ",\n    \"default_folder\": " << Text(r.defaultFolder, page)
      << ",\n    \"run_command\": " << Text(r.runCommand, page)
      << ",\n    \"info_caption\": " << Text(r.infoCaption, page)
      << ",\n    \"info_text\": " << Text(r.infoText, page) << "\n  },\n  \"entries\": [";
  const char* separator = "\n";
  for (const CentralEntry& e : layout.entries) {
    char crc[12];
    std::snprintf(crc, sizeof crc, "%08x", e.crc);
    out << separator << "    {\"name\": " << Json(FromCodePage(e.name, page)) << ", \"method\": \""
        << MethodName(e.method) << "\", \"method_id\": " << e.method
        << ", \"compressed_size\": " << e.compressedSize << ", \"uncompressed_size\": " << e.uncompressedSize
        << ", \"crc32\": \"" << crc << "\", \"encrypted\": " << Bool(e.flags & kFlagEncrypted)
        << ", \"offset\": " << e.localPos << "}";
    separator = ",\n";
  }
  out << (layout.entries.empty() ? "]" : "\n  ]") << ",\n  \"stub_problems\": [";
  separator = "\n";
  for (const EntryFinding& f : findings) {
    out << separator << "    {\"entry\": " << (f.entry.empty() ? "null" : Json(FromCodePage(f.entry, page)))
        << ", \"reason\": " << Json(FromUtf8(f.reason)) << "}";
    separator = ",\n";
  }
  out << (findings.empty() ? "]" : "\n  ]") << "\n}\n";
}
