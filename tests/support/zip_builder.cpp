// A test-only ZIP and self-extractor writer.
#include "zip_builder.h"

#include "common/config_format.h"
#include "common/zip_format.h"

namespace {

void Put16(std::string& s, uint32_t v) {
  s += (char)(v & 0xFF);
  s += (char)((v >> 8) & 0xFF);
}

void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

uint32_t CrcTableEntry(uint32_t n) {
  for (int k = 0; k < 8; ++k) n = (n & 1) ? (n >> 1) ^ 0xEDB88320u : n >> 1;
  return n;
}

uint32_t CrcByte(uint32_t crc, uint8_t b) { return CrcTableEntry((crc ^ b) & 0xFF) ^ (crc >> 8); }

// Traditional encryption, the writer's side.
struct Keys {
  uint32_t k0 = 0x12345678, k1 = 0x23456789, k2 = 0x34567890;
  void Update(uint8_t p) {
    k0 = CrcByte(k0, p);
    k1 = (k1 + (k0 & 0xFF)) * 0x08088405u + 1;
    k2 = CrcByte(k2, (uint8_t)(k1 >> 24));
  }
  uint8_t Stream() const {
    uint32_t t = (k2 & 0xFFFF) | 2;
    return (uint8_t)((t * (t ^ 1)) >> 8);
  }
  char Encrypt(uint8_t p) {
    uint8_t c = (uint8_t)(p ^ Stream());
    Update(p);
    return (char)c;
  }
};

std::string Encrypt(const ZipEntry& e, uint16_t flags, uint32_t crc, const std::string& payload) {
  Keys k;
  for (char c : e.password) k.Update((uint8_t)c);
  std::string out;
  // Fixed header bytes keep the tests repeatable; the last is the check byte.
  for (int i = 0; i < 11; ++i) out += k.Encrypt((uint8_t)(0x5A + 17 * i));
  uint8_t check = (flags & 0x0008) ? (uint8_t)(e.timeDate >> 8) : (uint8_t)(crc >> 24);
  out += k.Encrypt(check);
  for (char c : payload) out += k.Encrypt((uint8_t)c);
  return out;
}

}  // namespace

ZipEntry File(const std::string& name, const std::string& data, const std::string& password) {
  ZipEntry e;
  e.name = name;
  e.data = data;
  e.password = password;
  return e;
}

std::string StoredDeflate(const std::string& data) {
  std::string out;
  size_t at = 0;
  do {
    size_t n = std::min<size_t>(65535, data.size() - at);
    bool last = at + n == data.size();
    out += (char)(last ? 1 : 0);
    Put16(out, (uint32_t)n);
    Put16(out, (uint32_t)(~n & 0xFFFF));
    out += data.substr(at, n);
    at += n;
  } while (at < data.size());
  return out;
}

std::string BuildZip(const std::vector<ZipEntry>& entries, const ZipOptions& options) {
  std::string zip, central;
  for (const ZipEntry& e : entries) {
    uint32_t offset = options.base + (uint32_t)zip.size();
    uint16_t flags = e.flags | (e.password.empty() ? 0 : 1);
    uint32_t crc = e.crc >= 0 ? (uint32_t)e.crc : Crc32(e.data);
    std::string payload = e.method == 8 ? (e.compressed.empty() ? StoredDeflate(e.data) : e.compressed)
                                        : e.data;
    if (!e.password.empty()) payload = Encrypt(e, flags, crc, payload);
    uint32_t csize = e.compressedSize >= 0 ? (uint32_t)e.compressedSize : (uint32_t)payload.size();
    std::string header;
    Put32(header, e.signature >= 0 ? (uint32_t)e.signature : kLocalHeaderSignature);
    Put16(header, 20);
    Put16(header, flags);
    Put16(header, e.method);
    Put32(header, e.timeDate);
    Put32(header, crc);
    Put32(header, csize);
    Put32(header, (uint32_t)e.data.size());
    Put16(header, e.nameLength >= 0 ? (uint32_t)e.nameLength : (uint32_t)e.name.size());
    Put16(header, (uint32_t)e.extra.size());
    zip += header + e.name + e.extra + payload;
    if (e.signedDescriptor)
      for (int d = 0; d < e.descriptors; ++d) {
        Put32(zip, kDataDescriptorSignature);
        Put32(zip, crc);
        Put32(zip, (uint32_t)payload.size());
        Put32(zip, (uint32_t)e.data.size());
      }
    zip += e.trailer;
    Put32(central, kCentralHeaderSignature);
    Put16(central, 20);
    Put16(central, 20);
    Put16(central, flags);
    Put16(central, e.method);
    Put32(central, e.timeDate);
    Put32(central, crc);
    Put32(central, (uint32_t)payload.size());
    Put32(central, (uint32_t)e.data.size());
    Put16(central, (uint32_t)e.name.size());
    Put16(central, 0);
    Put16(central, (uint32_t)e.centralComment.size());
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, 0);
    Put32(central, offset);
    central += e.name + e.centralComment;
  }
  if (!options.centralDirectory) return zip;
  uint32_t centralAt = options.base + (uint32_t)zip.size();
  zip += central;
  uint32_t count = options.entryCountOverride >= 0 ? (uint32_t)options.entryCountOverride
                                                   : (uint32_t)entries.size();
  Put32(zip, kEndRecordSignature);
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, count);
  Put16(zip, count);
  Put32(zip, (uint32_t)central.size());
  Put32(zip, centralAt);
  Put16(zip, (uint32_t)options.comment.size());
  zip += options.comment;
  return zip;
}

std::string BuildBlock(const BlockFields& b) {
  std::string s = kBlockMagic;
  s += (char)b.flags;
  s += (char)b.caption.size();
  s += (char)b.folder.size();
  s += (char)b.command.size();
  Put16(s, (uint32_t)b.infoText.size());
  s += (char)b.infoCaption.size();
  s += b.caption + b.folder + b.command + b.infoText + b.infoCaption;
  Put16(s, (uint32_t)(s.size() + 2));
  return s;
}

std::string BuildSfx(const std::vector<ZipEntry>& entries, const BlockFields& block,
                     const std::string& stub, ZipOptions options) {
  std::string head = stub + BuildBlock(block);
  options.base = (uint32_t)head.size();
  return head + BuildZip(entries, options);
}

std::string BuildSfxWithoutBlock(const std::vector<ZipEntry>& entries) {
  ZipOptions options;
  options.base = 0x5400;
  // Padded with zeros, as the packer pads: the two bytes in front of the
  // archive are read as the block length.
  return FakeStub(0x5000) + std::string(0x400, '\0') + BuildZip(entries, options);
}

static uint32_t Get(const std::string& s, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | (uint8_t)s[at + i];
  return v;
}

std::vector<LocalEntryView> ReadLocalEntries(const std::string& zip) {
  std::vector<LocalEntryView> out;
  size_t at = zip.find(std::string("PK\x03\x04", 4));
  while (at != std::string::npos && at + 30 <= zip.size() && Get(zip, at, 4) == kLocalHeaderSignature) {
    LocalEntryView v;
    v.headerAt = at;
    v.flags = (uint16_t)Get(zip, at + 6, 2);
    v.method = (uint16_t)Get(zip, at + 8, 2);
    v.timeDate = Get(zip, at + 10, 4);
    v.crc = Get(zip, at + 14, 4);
    v.compressedSize = Get(zip, at + 18, 4);
    v.size = Get(zip, at + 22, 4);
    uint16_t nameLength = (uint16_t)Get(zip, at + 26, 2), extraLength = (uint16_t)Get(zip, at + 28, 2);
    v.name = zip.substr(at + 30, nameLength);
    v.dataAt = at + 30 + nameLength + extraLength;
    out.push_back(v);
    at = v.dataAt + v.compressedSize;
    while (at + 16 <= zip.size() && Get(zip, at, 4) == kDataDescriptorSignature) at += 16;
  }
  return out;
}

std::string BuildSfxFromArchive(const std::string& zip, const BlockFields& block) {
  std::string head = FakeStub() + BuildBlock(block);
  uint32_t base = (uint32_t)head.size();
  std::string out = zip;
  // The end record whose comment reaches exactly to the end of the file.
  size_t end = std::string::npos;
  for (size_t at = zip.size() >= 22 ? zip.size() - 22 : 0;; --at) {
    if (Get(zip, at, 4) == kEndRecordSignature && at + 22 + Get(zip, at + 20, 2) == zip.size()) {
      end = at;
      break;
    }
    if (at == 0) break;
  }
  if (end == std::string::npos) return head + zip;
  auto put = [&out](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = (char)(v >> (8 * i));
  };
  uint32_t central = Get(zip, end + 16, 4), count = Get(zip, end + 10, 2);
  size_t at = central;
  for (uint32_t k = 0; k < count && at + 46 <= zip.size(); ++k) {
    put(at + 42, Get(zip, at + 42, 4) + base);
    at += 46 + Get(zip, at + 28, 2) + Get(zip, at + 30, 2) + Get(zip, at + 32, 2);
  }
  put(end + 16, central + base);
  return head + out;
}
