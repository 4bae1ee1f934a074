// Converting the block's texts.
#include "block_texts.h"

#include <cstdio>

#include "errors.h"
#include "printable.h"

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

// "U+4E2D (中), U+2603 (☃)".
std::string ListCharacters(const std::u32string& characters) {
  std::string list;
  for (char32_t c : characters) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", (unsigned)c);
    std::string glyph;
    AppendUtf8(glyph, c);
    list += (list.empty() ? "" : ", ") + std::string(code) + " (" + Printable(glyph) + ")";
  }
  return list;
}

}  // namespace

BlockOptionList BlockOptionsInCodePage(const PackOptions& o, std::string infoFileText,
                                       const CodePageTable& page) {
  if (infoFileText.compare(0, 3, kByteOrderMark) == 0) infoFileText.erase(0, 3);
  BlockOptionList converted;
  std::vector<std::string> problems;
  for (const auto& option : o.blockOptions) {
    bool fromFile = option.first == "--info-file";
    const std::string& utf8 = fromFile ? infoFileText : option.second;
    std::string named = fromFile ? option.first + " " + o.infoFile : option.first;
    std::string bytes, problem;
    if (!IsValidUtf8(utf8))
      problems.push_back(named + ": not valid UTF-8");
    else if (!ToCodePage(utf8, page, bytes, problem))
      problems.push_back(named + ": " + ListCharacters(CharactersWithoutByte(utf8, page)));
    converted.emplace_back(option.first, bytes);
  }
  if (problems.empty()) return converted;
  std::string text = "Windows code page " + std::to_string(page.number) +
                     " cannot hold these texts (another --codepage may):";
  for (const std::string& p : problems) text += "\n  " + p;
  throw Refusal(text);
}
