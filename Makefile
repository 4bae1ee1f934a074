# make        builds the stub (build/win32/sfxstub.exe) and the packer (build/host/mksfx,
#             and build/win32/mksfx.exe for Windows)
# make test   installs what is missing, builds everything and runs every test
# make demo   installs what is missing, builds, packs an example, shows and extracts it
# make bench  runs the benchmarks against peer tools and the stub under Wine
# make fuzz   builds the libFuzzer targets with clang (build/fuzz)
# make install  installs mksfx and its manual page under $(DESTDIR)$(PREFIX)
#             (PREFIX=/usr/local)
#
# mksfx carries the stub of the Windows build, so the host trees are
# configured and built after the stub.

JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all stub host host-asan win32 test demo bench fuzz setup install clean

all: host win32

setup:
	@scripts/setup

build/host/CMakeCache.txt: | stub
	cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null

build/host-asan/CMakeCache.txt: | stub
	cmake -S . -B build/host-asan -DCMAKE_BUILD_TYPE=Debug -DSFX_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null

build/win32/CMakeCache.txt:
	cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null

stub: build/win32/CMakeCache.txt
	cmake --build build/win32 -j $(JOBS) --target sfxstub

host: stub build/host/CMakeCache.txt
	cmake --build build/host -j $(JOBS)

host-asan: stub build/host-asan/CMakeCache.txt
	cmake --build build/host-asan -j $(JOBS)

# After the stub alone, so that no two builds of the tree run at once.
win32: stub
	cmake --build build/win32 -j $(JOBS)

test: setup
	@$(MAKE) --no-print-directory all host-asan
	@scripts/run-tests

demo: setup
	@$(MAKE) --no-print-directory all
	@scripts/demo

bench: setup all
	@bench/run

install: host
	DESTDIR="$(DESTDIR)" cmake --install build/host --prefix "$(PREFIX)"

fuzz:
	CC=clang CXX=clang++ cmake -S fuzz -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build/fuzz -j $(JOBS)

clean:
	rm -rf build
