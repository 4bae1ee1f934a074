// Judging OUTPUT before pack writes it.
#include "output_target.h"

#include "certificate_table.h"
#include "config_block_codec.h"
#include "errors.h"
#include "file_io.h"
#include "source_fs.h"
#include "stub_locator.h"
#include "stub_manifest.h"
#include "system.h"

namespace {

// Whether `image`, a file's first kStubImageSize bytes, is `stub` padded
// as pack pads it, asking for either execution level.
bool IsImageOf(const std::vector<uint8_t>& image, std::vector<uint8_t> stub) {
  stub.resize(kStubImageSize, 0);
  if (image == stub) return true;
  try {
    RequestAdministrator(stub, "");
  } catch (const Refusal&) {
    return false;  // a stub without the room is never elevated
  }
  return image == stub;
}

bool WrittenByMksfx(const std::string& path, const std::vector<uint8_t>& stub) {
  try {
    InputFile file(path);
    if (!StartsWithMz(file)) return false;
    StubLocation where = LocateLikeTheStub(file);
    if (!where.archiveFound) return false;
    if (where.blockFound)
      return IsPackedBlock(file.ReadSome((uint64_t)where.blockPos, (size_t)(where.firstHeaderPos - where.blockPos)));
    return where.firstHeaderPos == kStubImageSize && IsImageOf(file.ReadSome(0, kStubImageSize), stub);
  } catch (const Refusal&) {
    return false;
  }
}

}  // namespace

std::string WritableOutput(const PackOptions& o, const std::vector<uint8_t>& stub) {
  const std::string& path = o.outputPath;
  if (path == kStandardOutputName) {
    if (StandardOutputIsTerminal())
      throw UsageError("OUTPUT - writes the self-extractor to standard output, which is a terminal; "
                       "redirect it to a file or a pipe");
    return path;
  }
  FsEntry out = InspectPath(path);
  if (out.danglingLink)
    throw Refusal(path + ": is a symbolic link to nothing; mksfx writes through a link only to an "
                  "existing file.  Name the file to write");
  if (out.kind == FsEntry::kMissing) return path;
  if (out.kind == FsEntry::kFolder)
    throw Refusal(path + ": is a folder; name the self-extractor to write, e.g. " + path + "/setup.exe");
  if (out.kind != FsEntry::kFile)
    throw Refusal(path + ": is not a regular file (a device, a FIFO or a socket); mksfx replaces only "
                  "regular files, also with --force.  Name a file, or \"-\" for standard output");
  for (const std::string& input : o.inputs) {
    FsEntry in = InspectPath(input);
    if (in.kind != FsEntry::kMissing && in.device == out.device && in.node == out.node)
      throw Refusal(path + ": is also an INPUT; write the self-extractor to another file");
  }
  const std::string target = out.link ? LinkTarget(path) : path;
  // A forgotten OUTPUT makes the last INPUT the output: what is replaced
  // must be empty or a self-extractor of ours.
  if (o.force || out.size == 0 || WrittenByMksfx(target, stub)) return target;
  throw Refusal(path + ": exists and is not a self-extractor that mksfx wrote; mksfx does not replace "
                "it (was OUTPUT forgotten?).  Name a new OUTPUT, or give --force to replace it");
}
