// mksfx pack: from folders and files, or from one archive, to a finished
// self-extractor.  Everything that can be refused is refused before OUTPUT
// is touched; the output appears only complete.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "archive_layout.h"
#include "archive_rewrite.h"
#include "certificate_table.h"
#include "commands.h"
#include "config_block_codec.h"
#include "embedded_stub.h"
#include "errors.h"
#include "file_entry.h"
#include "file_io.h"
#include "output_target.h"
#include "pack_options.h"
#include "codepages.h"
#include "sfx_limits.h"
#include "sfx_writer.h"
#include "source_fs.h"
#include "source_tree.h"
#include "stub_compat.h"
#include "stub_locator.h"
#include "stub_manifest.h"
#include "system.h"
#include "text_input.h"

namespace {

bool NamedZip(const std::string& path) {
  static const char kSuffix[] = ".zip";
  const size_t n = sizeof kSuffix - 1;
  if (path.size() <= n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower((unsigned char)path[path.size() - n + i]) != kSuffix[i]) return false;
  return true;
}

// The information text file, in UTF-8: a character of the code page takes
// at most 3 bytes there.  The converted text is held to its length field
// when the block is built.
const size_t kLongestInfoFile = 3 * kMaxInfoTextLength;

// A *.zip INPUT that holds no archive is most often a download that failed
// (an error page, an empty file): packed as a file it would ship as one.
void RefuseZipNamesWithoutArchive(const PackOptions& o) {
  if (o.force) return;
  for (const std::string& input : o.inputs)
    if (NamedZip(input) && InspectPath(input).kind == FsEntry::kFile && !LooksLikeArchive(InputFile(input)))
      throw Refusal(input + ": is named *.zip but holds no ZIP archive (a download that failed?); give "
                    "--force to pack it as a file");
}

// Whether the one INPUT is an archive whose entries are taken over: a file
// in ZIP format named *.zip, a self-extractor, or anything with --archive.
// Other ZIP-format files (documents, Java archives) are packed as files.
bool TakeAsArchive(const PackOptions& o) {
  if (o.inputs.size() != 1) return false;
  const std::string& path = o.inputs[0];
  if (o.archive) return true;
  if (InspectPath(path).kind != FsEntry::kFile || !LooksLikeArchive(InputFile(path))) return false;
  if (NamedZip(path) || StartsWithMz(InputFile(path))) return true;
  std::cerr << "mksfx: note: " << path << " is a ZIP archive but is packed as a file; --archive "
               "takes over its entries\n";
  return false;
}

// Whether the input self-extractor's manifest asks for administrator rights.
bool AsksForAdministrator(const InputFile& input) {
  return RequestedExecutionLevel(input.ReadSome(0, kStubImageSize)) == kAdministratorLevelName;
}

// What of the input self-extractor is not carried over: its signature, and
// without --keep-settings its settings and its request for administrator
// rights.
void NoteWhatIsNotKept(const PackOptions& o, const InputFile& input, const CertificateTable& table) {
  if (table.pos)
    std::cerr << "mksfx: note: " << input.Path() << ": signed (" << DescribeTable(table)
              << "): the archive in front of the table is taken over, the signature is not; "
                 "sign " << o.outputPath << " after packing\n";
  if (o.keepSettings) return;
  std::cerr << "mksfx: note: " << input.Path() << ": the settings of this self-extractor are "
               "not kept (--keep-settings keeps them)\n";
  if (o.elevation == Elevation::kUnset && AsksForAdministrator(input))
    std::cerr << "mksfx: note: " << input.Path() << " asks for administrator rights; "
              << o.outputPath << " does so only with --elevate or --keep-settings\n";
}

// SOURCE_DATE_EPOCH as seconds, or -1 when it is not set.
int64_t SourceDateEpoch() {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (!epoch || !*epoch) return -1;
  char* end = nullptr;
  long long value = std::strtoll(epoch, &end, 10);
  if (*end || value < 0) throw UsageError("SOURCE_DATE_EPOCH must be a count of seconds, not \"" +
                                          std::string(epoch) + "\"");
  return value;
}

void PackTree(const PackOptions& o, const CodePageTable& page, const std::string& password,
              const std::vector<uint8_t>& stub, const std::vector<uint8_t>& block) {
  std::vector<SourceEntry> entries =
      CollectSources(o.inputs, page, o.outputPath == kStandardOutputName ? "" : o.outputPath,
                     o.excludes, o.listProblems);
  if (entries.empty()) throw Refusal("nothing to pack: the INPUT folders are empty");
  if (entries.size() > kMaxEntries)
    throw Refusal(std::to_string(entries.size()) + " entries; the stub reads at most " +
                  std::to_string(kMaxEntries) + " (a 16-bit count; mksfx writes no ZIP64)");
  int64_t epoch = SourceDateEpoch();
  int level = o.level < 0 ? kDefaultLevel : o.level;
  uint64_t total = 0, done = 0;
  for (const SourceEntry& e : entries) total += e.size;
  HeaderRandom random;

  PendingOutput out(o.outputPath);
  uint64_t firstHeader = WriteStubAndBlock(out, stub, block);
  ZipWriter writer(out);
  ProgressStart("packing");
  for (const SourceEntry& e : entries) {
    ZipEntryHeader h;
    h.name = e.name;
    int64_t time = epoch >= 0 && e.mtime > epoch ? epoch : e.mtime;
    h.timeDate = DosTimeDate(time, epoch >= 0);
    h.versionMadeBy = 20;  // MS-DOS attributes
    if (e.folder) {
      h.externalAttributes = 0x10;  // FILE_ATTRIBUTE_DIRECTORY
      writer.Begin(h);
      writer.End(h);
      continue;
    }
    h.externalAttributes = 0x20;  // FILE_ATTRIBUTE_ARCHIVE
    WriteFileEntry(writer, out, h, InputFile(e.path), level, password, random,
                   [&](uint64_t fileDone) { ProgressUpdate(done + fileDone, total); });
    done += e.size;
  }
  uint64_t endRecord = writer.Finish({});
  ProgressEnd();
  CommitChecked(out, endRecord, firstHeader, !block.empty(), true, o.inputs[0]);
}

void RewriteArchive(const PackOptions& o, const RewriteOptions& options,
                    const std::vector<uint8_t>& stub, const std::vector<uint8_t>& block,
                    const InputFile& archive, const ArchiveLayout& layout) {
  RefuseUnrewritable(archive, layout, options);
  PendingOutput out(o.outputPath);
  uint64_t firstHeader = WriteStubAndBlock(out, stub, block);
  ZipWriter writer(out);
  ProgressStart("rewriting");
  RewriteEntries(archive, layout, options, writer, out, ProgressUpdate);
  const std::vector<uint8_t>& end = layout.endRecord;
  uint64_t endRecord = writer.Finish(std::vector<uint8_t>(end.begin() + kEndRecordSize, end.end()));
  ProgressEnd();
  CommitChecked(out, endRecord, firstHeader, !block.empty(), true, archive.Path());
}

void PackArchive(const PackOptions& o, const CodePageTable& page, const std::string& password,
                 const std::vector<uint8_t>& stub, const std::vector<uint8_t>& block,
                 const InputFile& archive) {
  ArchiveLayout layout = ReadArchiveLayout(archive);
  if (layout.trailingBytes)
    std::cerr << "mksfx: note: " << archive.Path() << ": " << layout.trailingBytes
              << " bytes after the end record are not part of the archive and are left out\n";
  bool encrypt = !password.empty();
  RewriteOptions options;
  options.page = &page;
  options.namesInPage = StartsWithMz(archive);
  options.password = encrypt ? &password : nullptr;
  HeaderRandom random;
  options.random = &random;
  options.listAllProblems = o.listProblems;
  // The stub's walk over the archive as it is, judged by its headers first.
  // Names as the archive holds them: UTF-8 or code page 437 or the page, by entry.
  StubListing listing = ListLikeTheStub(archive, layout.firstLocalPos);
  std::vector<EntryFinding> findings = JudgeListing(archive, listing, &layout, &page, nullptr).findings;
  try {
    if (NeedsRewrite(layout, options, findings)) {
      RewriteArchive(o, options, stub, block, archive, layout);
      return;
    }
    // Taken over as it is: every entry's data decoded by the stub's code as
    // an extraction would decode them (encrypted ones are left unchecked).
    const std::vector<std::string> noPasswords;
    RefuseEntries(archive.Path(), layout.entries.size(),
                  JudgeListing(archive, listing, &layout, &page, &noPasswords).findings, o.listProblems);
  } catch (const Refusal& refusal) {
    if (!o.force || encrypt) throw;
    // Deliberate damage, for tests of the stub: the archive as it is.  What
    // the stub will do with it and why pack refused it, each finding once.
    const EntryRefusal* entries = dynamic_cast<const EntryRefusal*>(&refusal);
    for (const EntryFinding& f : entries ? entries->findings : std::vector<EntryFinding>{{"", refusal.what()}})
      if (std::none_of(findings.begin(), findings.end(), [&](const EntryFinding& g) {
            return g.entry == f.entry && g.reason == f.reason;
          }))
        findings.push_back(f);
    PrintFindings(std::cerr, findings, "mksfx: warning: ", nullptr);
    std::cerr << "mksfx: warning: --force: the archive is packed as it is; the stub will fail "
                 "on the entries named above or end its walk there\n";
  }
  WriteSelfExtractor(stub, block, archive, std::move(layout), o.outputPath);
}

// The stub that pack uses: the file `stubOption` (--stub) when it is not
// empty, else the file $MKSFX_STUB names, else the stub built into mksfx (that
// of its own build).  `name` is set to the file, or to a description of the
// built-in stub, for messages.
std::vector<uint8_t> ChooseStub(const std::string& stubOption, std::string& name) {
  name = stubOption;
  if (name.empty())
    if (const char* env = std::getenv("MKSFX_STUB")) name = env;
  if (!name.empty()) return ReadStub(name);
  name = "the built-in stub";
  return std::vector<uint8_t>(kEmbeddedStub, kEmbeddedStub + kEmbeddedStubSize);
}

}  // namespace

int RunPackCommand(const Arguments& args) {
  PackOptions o = ParsePackOptions(args);
  if (o.help) {
    std::cout << PackHelp();
    return kExitSuccess;
  }
  std::string stubPath;
  std::vector<uint8_t> stub = ChooseStub(o.stubPath, stubPath);
  CheckStub(stub, stubPath, o.noBlock);
  o.outputPath = WritableOutput(o, stub);
  const CodePageTable& page = *FindCodePage(o.codepage ? o.codepage : kDefaultCodePage);
  RefuseZipNamesWithoutArchive(o);
  bool archiveInput = TakeAsArchive(o);
  if (o.keepSettings && !archiveInput)
    throw UsageError("--keep-settings takes the settings of a self-extractor given as the only INPUT");
  if (archiveInput && !o.excludes.Empty())
    throw UsageError("--exclude and --exclude-from choose among folders and files; an archive INPUT is taken whole");

  BlockSettings settings;
  bool elevate = o.elevation == Elevation::kAdministrator;
  std::unique_ptr<InputFile> archive;
  if (archiveInput) {
    archive.reset(new InputFile(o.inputs[0]));
    CertificateTable table = EndAtCertificateTable(*archive);
    if (StartsWithMz(*archive)) NoteWhatIsNotKept(o, *archive, table);
    if (o.keepSettings) {
      // The input self-extractor's block as the stub reads it, and the
      // level its manifest asks for.
      StubLocation where = StartsWithMz(*archive) ? LocateLikeTheStub(*archive) : StubLocation();
      if (!where.archiveFound || !where.blockFound)
        throw Refusal(o.inputs[0] + ": --keep-settings: no configuration block to keep (not a "
                      "self-extractor, or one written without a block)");
      settings = where.settings;
      if (o.elevation == Elevation::kUnset) elevate = AsksForAdministrator(*archive);
    }
  }
  if (elevate) RequestAdministrator(stub, stubPath);
  std::string infoText = o.infoFile.empty() ? "" : ReadTextInput(o.infoFile, kLongestInfoFile, false, "--info-file");
  for (const auto& option : BlockOptionsInCodePage(o, infoText, page)) {
    ApplyBlockOption(settings, option.first, option.second);
    std::string warning = option.first == "--run" ? RunParametersWarning(option.second) : "";
    if (!warning.empty()) std::cerr << "mksfx: warning: " << warning << "\n";
  }
  // Given or kept, alike: the stub would have nothing to wait for, or a folder it never uses.
  if (settings.tempCleanup && settings.runCommand.empty())
    throw UsageError("--temp-cleanup needs a run command to start in the temporary folder and wait for: "
                     "give --run PROGRAM (or --no-temp-cleanup)");
  if (settings.tempCleanup && !settings.defaultFolder.empty())
    throw UsageError("--temp-cleanup extracts into a fresh folder of its own, so a default folder would go "
                     "unused: drop --default-folder (a kept one: --default-folder \"\")");
  // Last of the stub's changes: the manifest's level is patched before its
  // resources are copied into the new section.
  stub = StubWithPublisherResources(o, o.keepSettings ? archive.get() : nullptr, stub, stubPath);
  std::vector<uint8_t> block;
  if (!o.noBlock) block = BuildConfigurationBlock(settings);
  std::string password = ReadPassword(o, page);

  if (archiveInput)
    PackArchive(o, page, password, stub, block, *archive);
  else
    PackTree(o, page, password, stub, block);
  return kExitSuccess;
}
