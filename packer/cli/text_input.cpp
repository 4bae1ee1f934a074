// Reading --info-file and --password-file.
#include "text_input.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include "errors.h"
#include "system.h"

const char kStandardInputName[] = "-";

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";
const size_t kByteOrderMarkSize = sizeof kByteOrderMark - 1;

}  // namespace

std::string ReadTextInput(const std::string& path, size_t limit, bool firstLine, const std::string& what) {
  const bool standardInput = path == kStandardInputName;
  const std::string name = what + " " + (standardInput ? "- (standard input)" : path);
  std::ifstream file;
  if (standardInput) {
    StandardInputAsBytes();
  } else {
    // Read as a stream: a pipe holds a text as well as a file does.
    file.open(path, std::ios::binary);
    if (!file) throw Refusal(name + ": cannot open: " + std::strerror(errno));
  }
  std::istream& in = standardInput ? std::cin : file;
  std::string text;
  for (int c; (c = in.get()) != EOF && !(firstLine && c == '\n');) {
    text += (char)c;
    size_t mark = text.compare(0, kByteOrderMarkSize, kByteOrderMark, kByteOrderMarkSize) == 0 ? kByteOrderMarkSize : 0;
    if (text.size() > limit + mark)
      throw Refusal(name + ": longer than " + std::to_string(limit) + " bytes" +
                    (firstLine ? " in its first line" : ""));
  }
  if (in.bad()) throw Refusal(name + ": cannot read: " + std::strerror(errno));
  if (text.compare(0, kByteOrderMarkSize, kByteOrderMark, kByteOrderMarkSize) == 0) text.erase(0, kByteOrderMarkSize);
  if (firstLine && !text.empty() && text.back() == '\r') text.pop_back();
  return text;
}
