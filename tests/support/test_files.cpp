// Temporary folders and files for the tests.
#include "test_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/platform.h"
#include "test_platform.h"

namespace fs = std::filesystem;

namespace {

std::string Join(const std::string& base, const std::string& rel, char separator) {
  if (rel.empty()) return base;
  std::string r = rel;
  std::replace(r.begin(), r.end(), '/', separator);
  return base + separator + r;
}

}  // namespace

TempFolder::TempFolder() {
  std::random_device rd;
  fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path p = base / ("sfxtest-" + std::to_string(rd() % 100000000));
    if (fs::create_directory(p)) {
      native_ = p.string();
      break;
    }
  }
  if (native_.empty()) throw std::runtime_error("no temporary folder");
  native_ = fs::path(native_).make_preferred().string();
  while (native_.size() > 1 && (native_.back() == '\\' || native_.back() == '/')) native_.pop_back();
  win_ = test_platform::WindowsPath(native_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(native_, ec);
}

std::string TempFolder::Win(const std::string& rel) const { return Join(win_, rel, '\\'); }

std::string TempFolder::Native(const std::string& rel) const {
  return Join(native_, rel, (char)fs::path::preferred_separator);
}

void TempFolder::Write(const std::string& rel, const std::string& bytes) const {
  fs::path p = Native(rel);
  fs::create_directories(p.parent_path());
  WriteNativeFile(p.string(), bytes);
}

std::string TempFolder::Read(const std::string& rel) const { return ReadNativeFile(Native(rel)); }
bool TempFolder::Exists(const std::string& rel) const { return fs::exists(Native(rel)); }
bool TempFolder::IsFolder(const std::string& rel) const { return fs::is_directory(Native(rel)); }
void TempFolder::MakeFolder(const std::string& rel) const { fs::create_directories(Native(rel)); }

std::vector<std::string> TempFolder::Tree() const {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(native_)) {
    std::string rel = fs::relative(e.path(), native_).generic_string();
    if (e.is_directory()) rel += '/';
    out.push_back(rel);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> TempFolder::Names() const {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(native_)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

std::string ReadNativeFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void WriteNativeFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot write " + path);
  f.write(bytes.data(), (std::streamsize)bytes.size());
}

std::string CorpusPath(const std::string& rel) {
  const char* dir = std::getenv("SFX_CORPUS_DIR");
  return std::string(dir && *dir ? dir : SFX_SOURCE_DIR "/tests/data/corpus") + "/" + rel;
}

std::string CorpusFile(const std::string& rel) { return ReadNativeFile(CorpusPath(rel)); }

static int64_t Seconds(const FILETIME& ft) {
  int64_t v = (int64_t)(((uint64_t)ft.dwHighDateTime << 32) | ft.dwLowDateTime);
  return (v - 116444736000000000LL) / 10000000;
}

int64_t LastWriteTime(const std::string& winPath) {
  HANDLE h = CreateFileA(winPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return -1;
  FILETIME write;
  BOOL ok = GetFileTime(h, nullptr, nullptr, &write);
  CloseHandle(h);
  return ok ? Seconds(write) : -1;
}

int64_t DosTimeAsUtc(uint16_t date, uint16_t time) {
  FILETIME local, utc;
  if (!DosDateTimeToFileTime(date, time, &local)) return -1;
  LocalFileTimeToFileTime(&local, &utc);
  return Seconds(utc);
}
