// The version resource (RT_VERSION, VS_VERSIONINFO) that Explorer's Details
// tab, Task Manager and inventory tools read: VS_FIXEDFILEINFO, one
// StringFileInfo table for U.S. English in UTF-16 (040904B0) and
// VarFileInfo\Translation naming it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The keys mksfx writes, in the order it writes them.
extern const char* const kVersionKeys[];
extern const size_t kVersionKeyCount;

// Key to value, UTF-8; an empty value stands for no such string.
typedef std::map<std::string, std::string> VersionStrings;

// "KEY=VALUE" of --version-info into `strings` (the last value of a key
// counts; an empty one removes the key).  Throws UsageError for a key not in
// kVersionKeys, no "=", a FileVersion or ProductVersion that is not 1 to 4
// dotted numbers up to 65535, and Refusal for a value that is not UTF-8.
void SetVersionString(VersionStrings& strings, const std::string& keyAndValue);

// Whether any key has a value.
bool HasVersionStrings(const VersionStrings& strings);

// The resource's bytes; the numbers of VS_FIXEDFILEINFO from FileVersion and
// ProductVersion (0 without them).  Throws Refusal when the whole is longer
// than its 16-bit length field holds.
std::vector<uint8_t> BuildVersionResource(const VersionStrings& strings);

// The strings of the first string table of a version resource, in UTF-8 (a
// lone surrogate as U+FFFD), any key; the fixed file and product version as
// "1.2.3.4" under the keys "FILEVERSION" and "PRODUCTVERSION".  Throws Refusal
// for a resource cut short or without the VS_VERSION_INFO header.
VersionStrings ParseVersionResource(const std::vector<uint8_t>& resource);

// "1.2.3" as the 64 bits of VS_FIXEDFILEINFO (most significant part first);
// false for anything but 1 to 4 dotted decimal numbers up to 65535.
bool ParseDottedVersion(const std::string& text, uint64_t& version);
