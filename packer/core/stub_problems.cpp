// The sentences of the stub's problems, and the grouped refusal.
#include "stub_problems.h"

#include <map>

#include "codepages.h"
#include "source_tree.h"
#include "stub_engine.h"

const char kStrongEncryptionProblem[] = "AES or strong encryption: the stub knows only the traditional ZIP encryption";
const char kZip64Problem[] = "ZIP64 sizes: the stub reads only 32-bit sizes";
const char kMaskedDirectoryProblem[] = "an encrypted central directory";
const char kShortEncryptedProblem[] = "encrypted but shorter than its 12-byte encryption header";
const char kSizeUnknownProblem[] = "sizes only in a data descriptor: the stub fails it and ends its walk here";
const char kSymbolicLinkProblem[] =
    "a symbolic link: the stub cannot make links and writes a small file holding the link's target instead";
const char kSharedHeaderProblem[] = "shares its local header with another entry";
const char kLocalOnlyEncryptionProblem[] =
    "encrypted in its local header but not in the central directory: the stub asks for a password, and "
    "after three wrong ones ends its walk";
const char kCentralOnlyEncryptionProblem[] =
    "encrypted in the central directory but not in its local header: the stub writes the encrypted bytes "
    "as they are";

namespace {

// Names shown after each sentence of a refusal.
const size_t kNamesShown = 3;

const char* MethodName(uint16_t method) {
  switch (method) {
    case 1: return "shrink";
    case 6: return "implode";
    case 9: return "deflate64";
    case 12: return "bzip2";
    case 14: return "LZMA";
    case 93: return "Zstandard";
    case 95: return "xz";
    case 98: return "PPMd";
    case kMethodAes: return "AES";
    default: return "unknown";
  }
}

const char* NameFaultProblem(NameFault fault) {
  switch (fault) {
    case kNameAbsolute: return "an absolute path";
    case kNameColon: return "a drive letter or a colon, which would also name a data stream";
    case kNameForbiddenCharacter: return "a character that Windows forbids in file names";
    case kNameDotsAndBlanks: return "a component of dots and blanks only, which Windows reads as \"..\"";
    default: return "a reserved device name (CON, PRN, AUX, NUL, COM1, LPT1 and the like)";
  }
}

std::string Thousands(size_t n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string RefusalText(const std::string& path, size_t total, const std::vector<EntryFinding>& findings,
                        bool listAll) {
  std::map<std::string, std::vector<std::string>> bySentence;
  for (const EntryFinding& f : findings) bySentence[f.reason].push_back(f.entry);
  std::string text = path + ": the stub could not extract every entry of this archive:";
  for (const auto& kind : bySentence) {
    const std::vector<std::string>& names = kind.second;
    text += "\n  " + Thousands(names.size()) + " of " + Thousands(total) + " entries: " + kind.first;
    size_t shown = listAll ? names.size() : std::min(names.size(), kNamesShown);
    for (size_t i = 0; i < shown; ++i) text += (i ? ", \"" : "\n    \"") + Printable(names[i]) + "\"";
    if (shown < names.size()) text += ",\n    " + MoreProblemsLine(names.size() - shown);
  }
  return text;
}

}  // namespace

std::string EntryNameProblem(const std::string& name) {
  if (name.empty()) return "an empty name: the stub ends its walk here";
  if (name.find('\0') != std::string::npos) return "a name with a NUL byte: the stub would cut it there";
  if (name.size() > (size_t)kLongestEntryName)
    return "a name longer than " + std::to_string(kLongestEntryName) + " bytes, the stub's limit: even under "
           "a drive root (\"C:\\\") it would pass the 259 characters of a Windows path";
  NameFault fault = EntryNameFault(name.c_str());
  return fault ? std::string("a name the stub refuses: ") + NameFaultProblem(fault) : "";
}

std::string MethodProblem(uint16_t method) {
  return "compression method " + std::to_string(method) + " (" + MethodName(method) +
         "): the stub extracts only stored (0) and deflated (8) data, and an extraction of every entry "
         "ends here";
}

void PrintFindings(std::ostream& out, const std::vector<EntryFinding>& findings, const std::string& prefix,
                   const CodePageTable* page) {
  for (const EntryFinding& f : findings) {
    out << prefix;
    if (!f.entry.empty()) out << "\"" << Printable(page ? FromCodePage(f.entry, *page) : f.entry) << "\": ";
    out << Printable(f.reason) << "\n";
  }
}

EntryRefusal::EntryRefusal(const std::string& path, size_t total, const std::vector<EntryFinding>& f,
                           bool listAll)
    : Refusal(RefusalText(path, total, f, listAll)), findings(f) {}

void RefuseEntries(const std::string& path, size_t total, const std::vector<EntryFinding>& findings,
                   bool listAll) {
  if (!findings.empty()) throw EntryRefusal(path, total, findings, listAll);
}
