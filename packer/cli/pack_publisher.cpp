// mksfx pack --icon and --version-info: the publisher's icon and version in
// the stub's resources (packer/core/publisher_resources.h).
#include "errors.h"
#include "pack_options.h"
#include "publisher_resources.h"

void ParsePublisherOptions(const CommandLine& line, PackOptions& o) {
  for (const std::string& item : line.Values("--version-info")) SetVersionString(o.versionInfo, item);
  const char* given = line.Has("--icon") ? "--icon" : line.Has("--version-info") ? "--version-info" : nullptr;
  if (given && o.noBlock)
    throw UsageError(std::string(given) + " grows the stub past 0x5400 bytes, where a self-extractor without "
                     "a configuration block has its archive; drop --no-block");
  if (line.Has("--icon") && o.iconPath.empty()) throw UsageError("--icon needs a FILE");
}

std::vector<uint8_t> StubWithPublisherResources(const PackOptions& o, const InputFile* keptFrom,
                                                const std::vector<uint8_t>& stub, const std::string& stubName) {
  PublisherResources publisher;
  std::string source;
  if (keptFrom) {
    publisher = ReadPublisherResources(*keptFrom);
    if (!publisher.Empty()) source = "the icon and version kept from " + keptFrom->Path();
  }
  if (!o.iconPath.empty()) {
    InputFile file(o.iconPath);
    if (file.Size() > kLargestIconFile)
      throw Refusal(o.iconPath + ": not an icon file (.ico) mksfx takes: " + std::to_string(file.Size()) +
                    " bytes, more than " + std::to_string(kLargestIconFile));
    publisher.icon = ParseIconFile(file.ReadAt(0, (size_t)file.Size()), o.iconPath);
    source = "the icon " + o.iconPath;
  }
  for (const auto& given : o.versionInfo) publisher.version[given.first] = given.second;
  if (!o.versionInfo.empty()) source += source.empty() ? "the version information" : " or the version information";
  if (publisher.Empty()) return stub;
  return WithPublisherResources(stub, publisher, stubName, source);
}
