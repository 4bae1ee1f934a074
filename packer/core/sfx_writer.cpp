// Assembly of the self-extractor.
#include "sfx_writer.h"

#include <cstring>

#include "certificate_table.h"
#include "errors.h"
#include "sfx_limits.h"
#include "stub_compat.h"
#include "stub_locator.h"
#include "zip_writer.h"
#include "common/pe_format.h"

namespace {

const uint8_t kLocalSignatureBytes[4] = {'P', 'K', 3, 4};
const uint8_t kEndSignatureBytes[4] = {'P', 'K', 5, 6};

bool Contains(const std::vector<uint8_t>& bytes, const uint8_t (&what)[4]) {
  for (size_t i = 0; i + 4 <= bytes.size(); ++i)
    if (std::memcmp(&bytes[i], what, 4) == 0) return true;
  return false;
}

}  // namespace

std::vector<uint8_t> ReadStub(const std::string& path) {
  InputFile file(path);
  if (file.Size() > kStubImageSize)
    throw Refusal(path + ": the stub is " + std::to_string(file.Size()) +
                  " bytes long; it must fit in " + std::to_string(kStubImageSize));
  return file.ReadAt(0, (size_t)file.Size());
}

uint64_t PaddedStubSize(const std::vector<uint8_t>& stub) {
  return stub.size() > kStubImageSize ? stub.size() : kStubImageSize;
}

void CheckStub(const std::vector<uint8_t>& stub, const std::string& path, bool forBlocklessOutput) {
  if (stub.size() < kDosMagicSize || !IsDosMagic(stub.data()))
    throw Refusal(path + ": the stub is not a Windows executable (no MZ header)");
  if (Contains(stub, kLocalSignatureBytes))
    throw Refusal(path + ": the stub contains a local header signature (PK\\3\\4)");
  if (Contains(stub, kEndSignatureBytes))
    throw Refusal(path + ": the stub contains an end of central directory signature (PK\\5\\6)");
  if (IsSignedImage(stub))
    throw Refusal(path + ": the stub is signed: its security directory names a certificate table, "
                  "where the stub would take its archive to end; give mksfx the unsigned stub and "
                  "sign the self-extractor it writes");
  if (forBlocklessOutput && stub.size() == kStubImageSize &&
      (stub[kStubImageSize - 2] != 0 || stub[kStubImageSize - 1] != 0))
    throw Refusal(path + ": the stub's last two bytes are not zero; without a configuration "
                  "block the stub would read them as the block length");
}

void WriteSelfExtractor(const std::vector<uint8_t>& stub, const std::vector<uint8_t>& block,
                        const InputFile& archive, ArchiveLayout layout, const std::string& outputPath) {
  uint64_t firstHeaderPos = PaddedStubSize(stub) + block.size();
  int64_t shift = (int64_t)firstHeaderPos - (int64_t)layout.firstLocalPos;  // added to every stored offset
  uint64_t endRecordPos = layout.endRecordPos + shift;
  RebaseDirectory(layout, shift);
  AlignEndRecord(layout.endRecord, endRecordPos);
  uint64_t outputSize = endRecordPos + layout.endRecord.size();
  if (outputSize > kLargestOutput)
    throw Refusal(outputPath + ": the self-extractor would be " + std::to_string(outputSize) +
                  " bytes long; the stub reads at most " + std::to_string(kLargestOutput));

  PendingOutput out(outputPath);
  WriteStubAndBlock(out, stub, block);
  archive.CopyTo(layout.firstLocalPos, layout.centralPos - layout.firstLocalPos, out);
  out.Write(layout.central);
  out.Write(layout.endRecord);
  if (out.Written() != outputSize) throw Refusal(outputPath + ": internal size mismatch");
  CommitChecked(out, endRecordPos, firstHeaderPos, !block.empty(), false, archive.Path());
}

uint64_t WriteStubAndBlock(PendingOutput& out, const std::vector<uint8_t>& stub,
                           const std::vector<uint8_t>& block) {
  std::vector<uint8_t> image = stub;
  image.resize(PaddedStubSize(stub), 0);
  out.Write(image);
  out.Write(block);
  return out.Written();
}

void CommitChecked(PendingOutput& out, uint64_t endRecordPos, uint64_t firstHeaderPos,
                   bool hasBlock, bool walkCheck, const std::string& inputName) {
  if (out.Written() % kCertificateAlignment != 0)
    throw Refusal(inputName + ": internal error: the self-extractor's " + std::to_string(out.Written()) +
                  " bytes are no multiple of " + std::to_string(kCertificateAlignment));
  {
    // Closed again before the rename, which Windows refuses on an open file.
    InputFile written(out.TempPath());
    StubLocation where = LocateLikeTheStub(written);
    if (!where.archiveFound || where.endRecordPos != endRecordPos)
      throw Refusal(inputName + ": the stub would not find this archive's end record (the "
                    "comment or the data near the end holds a second one that it takes first)");
    if (where.firstHeaderPos != (int64_t)firstHeaderPos || where.blockFound != hasBlock)
      throw Refusal(inputName + ": the stub would not start at the archive's first local header");
    if (walkCheck) {
      std::vector<EntryFinding> findings = FindStubProblems(written, ReadArchiveLayout(written));
      if (!findings.empty())
        throw Refusal(inputName + ": internal error: the stub could not walk the archive written (\"" +
                      findings[0].entry + "\": " + findings[0].reason + ")");
    }
  }
  out.Commit();
}
