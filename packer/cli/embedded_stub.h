// The stub of mksfx's own build, carried in the program (a source that
// cmake/embed-stub.cmake writes from the stub's file at build time), so that
// mksfx is one file to install: a copy packs without a stub beside it.
#pragma once

#include <cstddef>

extern const unsigned char kEmbeddedStub[];
extern const size_t kEmbeddedStubSize;
