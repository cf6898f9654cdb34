# Kestrix: the two commands a fresh Debian 12 machine needs are `make test` and `make demo`.
SHELL := /bin/bash
.DEFAULT_GOAL := test

DEBIAN_PACKAGES := cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev \
  libgmock-dev libbenchmark-dev g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
  mingw-w64-tools wine wine64 xvfb xauth msitools wixl lzma-dev 7zip p7zip-full libssl-dev \
  libpng-dev libjpeg-dev zlib1g-dev libmsi-dev libglib2.0-dev pkg-config nlohmann-json3-dev \
  imagemagick x11-utils xdotool python3 file fp-compiler

.PHONY: deps native fuzz fuzz-long win64 win32 test demo bench format clean

deps:
	@missing=$$(for p in $(DEBIAN_PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "installing:" $$missing; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null; \
	fi

native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native
	ctest --preset native

fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	ctest --preset fuzz

# Every fuzz target for FUZZ_SECONDS each (not part of `make test`), from its seeds and what
# earlier runs found; a failing input is kept as build/fuzz/fuzz-artifacts/TARGET-crash-...
FUZZ_SECONDS ?= 300
fuzz-long: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	@mkdir -p build/fuzz/fuzz-artifacts; failed=; \
	for source in tests/fuzz/*.cpp; do \
	  name=$$(basename $$source .cpp); mkdir -p build/fuzz/fuzz-corpus/$$name; \
	  echo "fuzz-long: $$name for $(FUZZ_SECONDS) s"; \
	  build/fuzz/tests/$$name -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    -print_final_stats=1 -artifact_prefix=build/fuzz/fuzz-artifacts/$$name- \
	    build/fuzz/fuzz-corpus/$$name tests/fuzz/corpus/$$name || failed="$$failed $$name"; \
	done; \
	if [ -n "$$failed" ]; then echo "fuzz-long: failed:$$failed"; exit 1; fi

win64: deps
	cmake --preset win64 >/dev/null
	cmake --build --preset win64
	ctest --preset win64

win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32
	bash tests/win32/check.sh build/win32

test: native fuzz win64 win32

demo: deps
	cmake --preset release >/dev/null
	cmake --build --preset release --target zelpack zelrun
	bash examples/demo.sh build/release
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 --target zelstub zel uidriver
	bash examples/demo_setup.sh build/release build/win64 build/demo

bench: deps
	cmake --preset bench >/dev/null
	cmake --build --preset bench
	bash bench/run.sh build/bench
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 --target zelstub zel zelextract
	bash bench/startup.sh build/bench build/win64

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
