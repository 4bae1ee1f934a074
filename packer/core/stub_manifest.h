// The execution level that the stub's manifest asks Windows for.  The
// stub's manifest (resource type 24, id 1) reads kAsInvokerLevel, whose
// blanks leave room to ask for administrator rights in place: the resource
// keeps its size and nothing else in the image moves.
#pragma once

#include <string>
#include <vector>

const char kAsInvokerLevel[] = "<requestedExecutionLevel level=\"asInvoker\"           />";
const char kAdministratorLevel[] = "<requestedExecutionLevel level=\"requireAdministrator\"/>";
static_assert(sizeof kAsInvokerLevel == sizeof kAdministratorLevel, "patched in place");

// The level named in a manifest: "requireAdministrator" makes Windows ask
// for administrator rights before the self-extractor starts.
const char kAdministratorLevelName[] = "requireAdministrator";

// Makes the manifest in `stub` ask for administrator rights.  Throws Refusal
// naming `path` unless the stub holds kAsInvokerLevel exactly once.
void RequestAdministrator(std::vector<uint8_t>& stub, const std::string& path);

// The level the manifest in `image` (the stub's bytes, in front of any
// block) asks for, or "" when it names none.
std::string RequestedExecutionLevel(const std::vector<uint8_t>& image);
