# Thin wrapper over the CMake presets; see README.md.
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: all release test demo install bench fuzz clang clean

all: release

release:
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

test:
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

demo: release
	./examples/demo.sh build/bin/tarnwick

# The release build, installed under PREFIX (staged under DESTDIR when given); see README.md.
PREFIX ?= /usr/local
install:
	cmake --preset release -DCMAKE_INSTALL_PREFIX="$(PREFIX)" >/dev/null
	cmake --build --preset release -j $(JOBS)
	DESTDIR="$(DESTDIR)" cmake --install build

bench:
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)

fuzz:
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

clang:
	cmake --preset clang >/dev/null
	cmake --build --preset clang -j $(JOBS)

clean:
	rm -rf build build-test build-bench build-fuzz build-clang
