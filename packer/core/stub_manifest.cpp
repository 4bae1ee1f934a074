// Reading and patching the execution level in the stub's manifest.
#include "stub_manifest.h"

#include <algorithm>
#include <cstring>

#include "errors.h"

namespace {

const char kLevelAttribute[] = "<requestedExecutionLevel level=\"";
// A level longer than this is no level Windows knows; the search stops.
const size_t kLongestLevel = 32;

std::vector<size_t> Find(const std::vector<uint8_t>& bytes, const char* text) {
  std::vector<size_t> at;
  size_t length = std::strlen(text);
  auto from = bytes.begin();
  for (;;) {
    from = std::search(from, bytes.end(), text, text + length);
    if (from == bytes.end()) return at;
    at.push_back((size_t)(from - bytes.begin()));
    ++from;
  }
}

}  // namespace

void RequestAdministrator(std::vector<uint8_t>& stub, const std::string& path) {
  std::vector<size_t> at = Find(stub, kAsInvokerLevel);
  if (at.size() != 1)
    throw Refusal(path + ": --elevate: the stub's manifest must read '" + kAsInvokerLevel +
                  "' exactly once, with the blanks that leave room for \"" + kAdministratorLevelName +
                  "\"; this stub has it " + std::to_string(at.size()) + " times");
  std::memcpy(&stub[at[0]], kAdministratorLevel, sizeof kAdministratorLevel - 1);
}

std::string RequestedExecutionLevel(const std::vector<uint8_t>& image) {
  std::vector<size_t> at = Find(image, kLevelAttribute);
  if (at.empty()) return "";
  size_t from = at[0] + sizeof kLevelAttribute - 1;
  size_t to = from;
  while (to < image.size() && to - from <= kLongestLevel && image[to] != '"') ++to;
  if (to == image.size() || to - from > kLongestLevel) return "";
  return std::string(image.begin() + (long)from, image.begin() + (long)to);
}
