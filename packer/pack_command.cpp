// mksfx pack: options, the configuration block, and the checks that come
// before writing.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "archive_layout.h"
#include "commands.h"
#include "config_block.h"
#include "errors.h"
#include "file_io.h"
#include "sfx_writer.h"
#include "stub_compat.h"

namespace {

const char kPackHelp[] =
    "usage: mksfx pack [OPTIONS] ARCHIVE OUTPUT\n"
    "\n"
    "Writes OUTPUT, a self-extractor: the stub, padded with zeros to 0x5400 bytes,\n"
    "then a configuration block, then ARCHIVE (an existing ZIP archive) with every\n"
    "offset moved so that it counts from the first byte of OUTPUT.  ARCHIVE may\n"
    "carry a prefix (an earlier self-extractor, padding); only the archive itself\n"
    "is taken over.  Nothing is compressed.  The stub is padded to 0x5400 bytes\n"
    "also when a block follows: the block then sits where the stub looks for it by\n"
    "default.\n"
    "\n"
    "Stub:\n"
    "  --stub FILE              the stub (default: $MKSFX_STUB, else\n"
    "                           ../win32/sfxstub.exe beside mksfx)\n"
    "  --no-block               write no configuration block; the archive starts\n"
    "                           at 0x5400 and the stub uses its defaults\n"
    "\n"
    "Texts (written byte for byte; use the target system's ANSI code page):\n"
    "  --caption TEXT           title of the main dialog (at most 255 bytes)\n"
    "  --default-folder TEXT    folder proposed for extraction (at most 255 bytes);\n"
    "                           exactly \"><\" means the user's temporary folder\n"
    "  --run COMMAND            program to start after a complete extraction:\n"
    "                           PROGRAM or PROGRAM|PARAMETERS; \"><\" in either part\n"
    "                           stands for the destination folder (at most 255 bytes)\n"
    "  --info-text TEXT         text shown before the main dialog\n"
    "  --info-file FILE         the same, read from FILE\n"
    "  --info-caption TEXT      title of that information dialog (at most 255 bytes)\n"
    "                           The information text may be as long as the block's\n"
    "                           16-bit length allows: 65,535 bytes less 12 and the\n"
    "                           other texts.\n"
    "\n"
    "Choices (defaults in brackets, which are also the stub's defaults):\n"
    "  --hide-run-checkbox      hide the \"run after extraction\" check box; the\n"
    "                           program is still run [--show-run-checkbox]\n"
    "  --fixed-file-list        show the entries without letting the user choose;\n"
    "                           everything is extracted [--selectable-file-list]\n"
    "  --hide-overwrite-choice  remove the overwrite-mode buttons\n"
    "  --overwrite MODE         ask, overwrite or skip existing files [ask]\n"
    "  --auto-extract           extract at once without waiting for the user\n"
    "\n"
    "Checks:\n"
    "  --force                  pack even when the stub cannot extract every entry\n"
    "                           (other methods than stored and deflated, sizes or\n"
    "                           CRC only in a data descriptor, descriptors without\n"
    "                           signature, unsafe names such as ../x or C:x, ...)\n"
    "\n"
    "Refused always, with exit code 1 and no OUTPUT left behind: ZIP64 end\n"
    "records or offsets, archives on several disks, archives without entries,\n"
    "texts longer than their length fields, a stub larger than 0x5400 bytes or\n"
    "holding PK\\3\\4 or PK\\5\\6, and an OUTPUT of 2 GiB or more.\n"
    "Exit codes: 0 written, 1 refused or failed, 2 usage error.\n";

struct PackOptions {
  std::string stubPath;
  bool noBlock = false;
  bool force = false;
  BlockSettings block;
  std::string infoFile;
  bool infoTextGiven = false;
  std::vector<std::string> blockOptionsGiven;
  std::vector<std::string> positional;
  bool help = false;
};

OverwriteChoice ParseOverwrite(const std::string& mode) {
  if (mode == "ask") return OverwriteChoice::kAsk;
  if (mode == "overwrite") return OverwriteChoice::kOverwrite;
  if (mode == "skip") return OverwriteChoice::kSkipExisting;
  throw UsageError("--overwrite takes ask, overwrite or skip, not \"" + mode + "\"");
}

PackOptions ParseOptions(const Arguments& args) {
  PackOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg == "--") {
      o.positional.insert(o.positional.end(), args.begin() + (long)i + 1, args.end());
      break;
    }
    if (arg.size() < 2 || arg[0] != '-') {
      o.positional.push_back(arg);
      continue;
    }
    std::string value;
    bool inlineValue = false;
    size_t eq = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      inlineValue = true;
    }
    auto takeValue = [&]() -> std::string {
      if (inlineValue) return value;
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    auto flag = [&](bool& target, bool to) {
      if (inlineValue) throw UsageError(arg + " takes no value");
      target = to;
    };
    bool blockOption = true;
    if (arg == "-h" || arg == "--help") {
      o.help = true;
      blockOption = false;
    } else if (arg == "--stub") {
      o.stubPath = takeValue();
      blockOption = false;
    } else if (arg == "--no-block") {
      flag(o.noBlock, true);
      blockOption = false;
    } else if (arg == "--force") {
      flag(o.force, true);
      blockOption = false;
    } else if (arg == "--caption") {
      o.block.caption = takeValue();
    } else if (arg == "--default-folder") {
      o.block.defaultFolder = takeValue();
    } else if (arg == "--run") {
      o.block.runCommand = takeValue();
    } else if (arg == "--info-text") {
      o.block.infoText = takeValue();
      o.infoTextGiven = true;
    } else if (arg == "--info-file") {
      o.infoFile = takeValue();
    } else if (arg == "--info-caption") {
      o.block.infoCaption = takeValue();
    } else if (arg == "--hide-run-checkbox") {
      flag(o.block.showRunCheckBox, false);
    } else if (arg == "--show-run-checkbox") {
      flag(o.block.showRunCheckBox, true);
    } else if (arg == "--fixed-file-list") {
      flag(o.block.selectableFileList, false);
    } else if (arg == "--selectable-file-list") {
      flag(o.block.selectableFileList, true);
    } else if (arg == "--hide-overwrite-choice") {
      flag(o.block.hideOverwriteChoice, true);
    } else if (arg == "--overwrite") {
      o.block.overwrite = ParseOverwrite(takeValue());
    } else if (arg == "--auto-extract") {
      flag(o.block.autoExtract, true);
    } else {
      throw UsageError("unknown option " + arg + " (see mksfx pack --help)");
    }
    if (blockOption) o.blockOptionsGiven.push_back(arg);
  }
  return o;
}

// The information text file, limited to what its length field holds.
std::string ReadInfoFile(const std::string& path) {
  InputFile file(path);
  if (file.Size() > kMaxInfoTextLength)
    throw Refusal(path + ": the information text is " + std::to_string(file.Size()) +
                  " bytes long; its length field holds at most " +
                  std::to_string(kMaxInfoTextLength));
  std::vector<uint8_t> bytes = file.ReadAt(0, (size_t)file.Size());
  return std::string(bytes.begin(), bytes.end());
}

void ReportFindings(const std::vector<EntryFinding>& findings, bool force) {
  for (const EntryFinding& f : findings)
    std::cerr << "mksfx: " << (force ? "warning: " : "")
              << (f.entry.empty() ? std::string() : "\"" + f.entry + "\": ") << f.reason << "\n";
}

}  // namespace

std::string DefaultStubPath() {
  if (const char* env = std::getenv("MKSFX_STUB"))
    if (*env) return env;
  std::vector<char> self(4096);
  ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (n <= 0) return "../win32/sfxstub.exe";
  std::string path(self.data(), (size_t)n);
  size_t slash = path.rfind('/');
  return path.substr(0, slash + 1) + "../win32/sfxstub.exe";
}

int RunPackCommand(const Arguments& args) {
  PackOptions o = ParseOptions(args);
  if (o.help) {
    std::cout << kPackHelp;
    return kExitSuccess;
  }
  if (o.positional.size() != 2)
    throw UsageError("pack needs ARCHIVE and OUTPUT (see mksfx pack --help)");
  if (o.noBlock && !o.blockOptionsGiven.empty())
    throw UsageError(o.blockOptionsGiven[0] + " needs a configuration block; drop --no-block");
  if (o.infoTextGiven && !o.infoFile.empty())
    throw UsageError("give either --info-text or --info-file, not both");
  const std::string& archivePath = o.positional[0];
  const std::string& outputPath = o.positional[1];

  std::string stubPath = o.stubPath.empty() ? DefaultStubPath() : o.stubPath;
  std::vector<uint8_t> stub = ReadStub(stubPath);
  CheckStub(stub, stubPath, o.noBlock);
  if (!o.infoFile.empty()) o.block.infoText = ReadInfoFile(o.infoFile);
  std::vector<uint8_t> block;
  if (!o.noBlock) block = BuildConfigurationBlock(o.block);

  InputFile archive(archivePath);
  ArchiveLayout layout = ReadArchiveLayout(archive);
  std::vector<EntryFinding> findings = FindStubProblems(archive, layout);
  if (!findings.empty()) {
    ReportFindings(findings, o.force);
    if (!o.force)
      throw Refusal(archivePath + ": the stub cannot extract everything in this archive; "
                    "--force packs it anyway");
  }
  if (layout.trailingBytes)
    std::cerr << "mksfx: note: " << archivePath << ": " << layout.trailingBytes
              << " bytes after the end record are not part of the archive and are left out\n";
  WriteSelfExtractor(stub, block, archive, std::move(layout), outputPath);
  return kExitSuccess;
}
