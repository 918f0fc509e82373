# Quillet: the two commands a developer needs.
#   make test   set up everything from nothing, build both builds, run every test
#   make run    set up, build, and start Quillet.exe under Wine
# Further: make build, make bench, make fuzz, make clean.

SHELL := /bin/sh
NATIVE := build/native
WIN64 := build/win64
ASAN := build/native-asan
FUZZ := build/fuzz
# Seconds each fuzz target runs in `make fuzz`.
FUZZ_SECONDS ?= 60

.PHONY: all setup gnupg wineprefix configure build test run package bench fuzz clean

all: build

setup:
	@scripts/setup.sh

gnupg: setup
	@scripts/build-gnupg.sh

wineprefix: setup
	@scripts/wine-run.sh --prepare

configure: gnupg
	@echo "build: configuring the native, win64 and sanitizer builds"
	@mkdir -p build
	@cmake --preset native >$(NATIVE).configure.log 2>&1 || { cat $(NATIVE).configure.log; exit 1; }
	@cmake --preset win64 >$(WIN64).configure.log 2>&1 || { cat $(WIN64).configure.log; exit 1; }
	@cmake --preset native-asan >$(ASAN).configure.log 2>&1 || { cat $(ASAN).configure.log; exit 1; }

build: configure
	@echo "build: native (POSIX platform layer)"
	@cmake --build --preset native -j 2 >$(NATIVE).build.log 2>&1 || { cat $(NATIVE).build.log; exit 1; }
	@grep -E 'warning:' $(NATIVE).build.log || true
	@echo "build: win64 (mingw-w64, runs under Wine)"
	@cmake --build --preset win64 -j 2 >$(WIN64).build.log 2>&1 || { cat $(WIN64).build.log; exit 1; }
	@grep -E 'warning:' $(WIN64).build.log || true
	@echo "build: native under AddressSanitizer and UndefinedBehaviorSanitizer"
	@cmake --build --preset native-asan -j 2 >$(ASAN).build.log 2>&1 || { cat $(ASAN).build.log; exit 1; }
	@grep -E 'warning:' $(ASAN).build.log || true

test: build wineprefix
	@echo "test: native suite (gpg1)"
	@ctest --preset native
	@echo "test: win64 suite under Wine (cross-built gpg.exe)"
	@ctest --preset win64
	@echo "test: native suite under AddressSanitizer and UndefinedBehaviorSanitizer, short fuzz runs"
	@ctest --preset native-asan

# The program folder build/app (Quillet.exe, bin/gpg.exe, manual.chm) is
# refreshed from the win64 build; the user's keys and settings in it stay.
run: build wineprefix
	@scripts/run-app.sh $(WIN64) build/app

# The Windows package: dist/Quillet-1.0.11-win64.zip, made by the win64 build.
package: build
	@mkdir -p dist
	@cp $(WIN64)/Quillet-1.0.11-win64.zip dist/
	@echo "package: dist/Quillet-1.0.11-win64.zip"

# Benchmarks: what the engine adds to GnuPG (bench NAME: VALUE UNIT lines).
bench: build wineprefix
	@echo "bench: engine commands against GnuPG started directly (native, gpg1)"
	@$(NATIVE)/bench/engine_bench 2>/dev/null
	@echo "bench: start-up and memory of Quillet.exe under Wine"
	@ctest --preset win64 -R 'e2e_wineprefix|test_keys_setup' >/dev/null
	@QUILLET_WINEPREFIX=$(CURDIR)/$(WIN64)/e2e-wineprefix scripts/wine-run.sh \
		$(WIN64)/bench/startup_bench.exe --program=$(CURDIR)/$(WIN64)/Quillet.exe 2>/dev/null | \
		grep '^bench '

# Fuzzing with libFuzzer (clang): every target for FUZZ_SECONDS seconds
# (make fuzz FUZZ_SECONDS=600 for longer), on corpora kept in build/fuzz.
fuzz: setup
	@echo "fuzz: building the libFuzzer targets (clang)"
	@mkdir -p build
	@cmake --preset fuzz >$(FUZZ).configure.log 2>&1 || { cat $(FUZZ).configure.log; exit 1; }
	@cmake --build --preset fuzz -j 2 >$(FUZZ).build.log 2>&1 || { cat $(FUZZ).build.log; exit 1; }
	@grep -E 'warning:' $(FUZZ).build.log || true
	@scripts/fuzz.sh $(FUZZ) $(FUZZ_SECONDS)

clean:
	rm -rf build
