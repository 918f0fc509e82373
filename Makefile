# Quillet: the two commands a developer needs.
#   make test   set up everything from nothing, build both builds, run every test
#   make run    set up, build, and start Quillet.exe under Wine
# Further: make build, make package, make reproducible, make bench, make fuzz,
# make clean.

SHELL := /bin/sh
NATIVE := build/native
WIN64 := build/win64
FUZZ := build/fuzz
# Seconds each fuzz target runs in `make fuzz`.
FUZZ_SECONDS ?= 60

.PHONY: all setup gnupg wineprefix build test run package reproducible bench fuzz clean \
	configure-native configure-win64 configure-native-asan build-native build-win64 build-native-asan

all: build

setup:
	@scripts/setup.sh

gnupg: setup
	@scripts/build-gnupg.sh

wineprefix: setup
	@scripts/wine-run.sh --prepare

# One configure-and-build rule per preset: make test needs the sanitizer and
# Windows builds, make run only the Windows one, make bench the plain native one.
define preset_rules
configure-$(1): gnupg
	@mkdir -p build
	@cmake --preset $(1) >build/$(1).configure.log 2>&1 || { cat build/$(1).configure.log; exit 1; }

build-$(1): configure-$(1)
	@echo "build: $(2)"
	@cmake --build --preset $(1) -j 2 >build/$(1).build.log 2>&1 || { cat build/$(1).build.log; exit 1; }
	@grep -E 'warning:' build/$(1).build.log || true
endef
$(eval $(call preset_rules,native,native (POSIX platform layer)))
$(eval $(call preset_rules,win64,win64 (mingw-w64, runs under Wine)))
$(eval $(call preset_rules,native-asan,native under AddressSanitizer and UndefinedBehaviorSanitizer))

build: build-native build-win64 build-native-asan

# The native suite runs once, under the sanitizers (they catch more than a
# plain run, and GnuPG itself is not instrumented, so it costs little).
test: build-native-asan build-win64 wineprefix
	@echo "test: native suite (gpg1) under AddressSanitizer and UndefinedBehaviorSanitizer, fuzz seeds replayed"
	@ctest --preset native-asan
	@echo "test: win64 suite under Wine (cross-built gpg.exe)"
	@ctest --preset win64

# The program folder build/app (Quillet.exe, bin/gpg.exe, manual.chm) is
# refreshed from the win64 build; the user's keys and settings in it stay.
run: build-win64 wineprefix
	@scripts/run-app.sh $(WIN64) build/app

# The Windows package: dist/Quillet-1.0.11-win64.zip and dist/SHA256SUMS,
# made by the win64 build (only what the package holds is built).
package: configure-win64
	@echo "build: the Windows package"
	@cmake --build --preset win64 -j 2 --target quillet_package >build/win64.package.log 2>&1 || \
		{ cat build/win64.package.log; exit 1; }
	@grep -E 'warning:' build/win64.package.log || true
	@mkdir -p dist
	@cp $(WIN64)/Quillet-1.0.11-win64.zip $(WIN64)/SHA256SUMS dist/
	@echo "package: dist/Quillet-1.0.11-win64.zip, dist/SHA256SUMS"

# The package built twice from the last commit, in two fresh clones in
# folders of different path lengths, must come out byte for byte the same.
reproducible: setup
	@scripts/check-reproducible.sh

# Benchmarks: what the engine adds to GnuPG (bench NAME: VALUE UNIT lines).
bench: build-native build-win64 wineprefix
	@echo "bench: engine commands against GnuPG started directly (native, gpg1)"
	@$(NATIVE)/bench/engine_bench 2>/dev/null
	@echo "bench: a 256 MB photo under Wine: the engine against gpg.exe started directly"
	@scripts/wine-run.sh $(WIN64)/bench/engine_bench.exe --photo=256 2>/dev/null | grep '^bench '
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
