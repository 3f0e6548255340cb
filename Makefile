# The two set-up commands: `make demo` and `make test`. Both install what is
# missing (Debian packages, as root) before they build.
DEB_PACKAGES := cmake g++ make pkg-config libgtest-dev libgmock-dev libcli11-dev libserialport-dev ckermit gkermit \
                clang libclang-rt-14-dev qt6-base-dev xvfb xauth fonts-dejavu-core python3 python3-pytest dpkg-dev
# The Windows build (MinGW-w64) and its tests under Wine (wine is the launcher,
# wine64 the 64-bit Wine itself): GoogleTest's sources, a pty cable (socat),
# time zones.
DEB_PACKAGES += g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 googletest socat tzdata

.PHONY: all deps build test demo clean fuzz fuzz-build fuzz-smoke screenshots package windows windows-test

all: build

deps:
	@missing=""; for p in $(DEB_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing Debian packages:$$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi

build: deps
	cmake --preset default
	cmake --build --preset default

test: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan
	$(MAKE) windows-test
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset tsan
	$(MAKE) fuzz-smoke

# corvane32.dll (with its import library) and corvane.exe for 64-bit and 32-bit
# Windows, in build/windows-x64/bin and build/windows-x86/bin.
windows: deps
	cmake --preset windows-x64
	cmake --build --preset windows-x64 --target corvane32 corvane
	cmake --preset windows-x86
	cmake --build --preset windows-x86

# Both builds and their export checks; the 64-bit one under Wine: its unit
# program, and corvane.exe against corvane-dc (of the asan build) and C-Kermit.
windows-test: deps
	cmake --preset asan
	cmake --build --preset asan --target corvane-dc
	cmake --preset windows-x64
	cmake --build --preset windows-x64
	ctest --preset windows-x64
	cmake --preset windows-x86
	cmake --build --preset windows-x86
	ctest --preset windows-x86

# libFuzzer targets, one per parser of outside input (tests/fuzz). Each runs
# over a copy of its seed corpus in build/fuzz/run, so new finds stay out of the
# tree; a crash leaves its input in build/fuzz/run/artifacts.
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 3
FUZZ_DIR := build/fuzz
FUZZ_TARGETS := $(patsubst tests/fuzz/%_fuzzer.cpp,%,$(wildcard tests/fuzz/*_fuzzer.cpp))

fuzz-build: deps
	cmake --preset fuzz
	cmake --build --preset fuzz

define run_fuzzers
	@run=$(CURDIR)/$(FUZZ_DIR)/run; rm -rf $$run; mkdir -p $$run/tmp $$run/artifacts; \
	for t in $(FUZZ_TARGETS); do \
	  mkdir -p $$run/corpus/$$t; \
	  echo "fuzz $$t for $(1) s"; \
	  TMPDIR=$$run/tmp $(FUZZ_DIR)/tests/fuzz/$${t}_fuzzer -max_total_time=$(1) -max_len=1024 \
	    -artifact_prefix=$$run/artifacts/$$t- $$run/corpus/$$t $(CURDIR)/tests/fuzz/corpus/$$t > $$run/$$t.log 2>&1 \
	    || { tail -n 60 $$run/$$t.log; exit 1; }; \
	done; rm -rf $$run/tmp

endef

fuzz: fuzz-build
	$(call run_fuzzers,$(FUZZ_SECONDS))

fuzz-smoke: fuzz-build
	$(call run_fuzzers,$(FUZZ_SMOKE_SECONDS))

# Measuring the test suite (tools/quality/); none of this runs in `make test`.
.PHONY: coverage mutants count

# Line and branch coverage of src/ from one run of the suite (gcovr).
coverage:
	$(MAKE) deps DEB_PACKAGES="$(DEB_PACKAGES) gcovr"
	tools/quality/coverage.sh

# A mutation sample of src/ with a fixed seed; MUTANTS_LIST=file runs a saved
# list (build/mutants/results.jsonl of an earlier run) again.
MUTANTS ?= 160
MUTANTS_SEED ?= 16
MUTANTS_JOBS ?= 12
MUTANTS_LIST ?=

mutants: deps
	python3 tools/quality/mutants.py --count $(MUTANTS) --seed $(MUTANTS_SEED) --jobs $(MUTANTS_JOBS) \
	  $(if $(MUTANTS_LIST),--list $(MUTANTS_LIST))

# Test lines against code lines: the team's shared linecount.sh beside the clone
# (or beside the folder of worktrees) when there is one, else the same rules here.
LINECOUNT := $(firstword $(wildcard ../shared/tools/linecount.sh ../../shared/tools/linecount.sh) \
                         tools/quality/linecount.sh)

count:
	@$(LINECOUNT) .

demo: deps
	cmake --preset default
	cmake --build --preset default --target corvane
	./build/default/tools/corvane/corvane demo

clean:
	rm -rf build

# The desktop application's pictures in the README, rendered from the current
# code against its simulated Data Collector under a virtual X server.
screenshots: deps
	cmake --preset default
	cmake --build --preset default --target corvane-desk
	rm -rf build/screenshots && mkdir -p build/screenshots
	XDG_CONFIG_HOME=$(CURDIR)/build/screenshots xvfb-run -a -s "-screen 0 1400x900x24" \
	  ./build/default/tools/corvane-desk/corvane-desk --screenshots docs

# The Debian packages libcorvane32-1, libcorvane32-dev, corvane and
# python3-corvane in build/package, built for /usr; then they are unpacked into
# a scratch root and run from there.
PACKAGE_DIR := build/package

package: deps
	cmake -S . -B $(PACKAGE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF
	cmake --build $(PACKAGE_DIR) -j2
	cd $(PACKAGE_DIR) && cpack
	tests/packaging/unpack_test.sh $(PACKAGE_DIR)

# Throughput of both framings through the line emulator, with C-Kermit to
# C-Kermit for reference: prints a Markdown table (bench/README.md explains it).
BENCH_DIR := build/bench
BENCH_ARGS ?=

# The two set-up commands on a machine that has nothing installed: a minimal
# Debian 12 root (debootstrap, kept in build/fresh) runs `make demo` and
# `make test` from a clean clone of the current commit. Not part of `make test`.
.PHONY: fresh-check
fresh-check:
	tools/fresh-check.sh

.PHONY: bench
bench: deps
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=ON
	cmake --build $(BENCH_DIR) -j2 --target corvane-bench
	./$(BENCH_DIR)/bench/corvane-bench $(BENCH_ARGS)

# The fault soak (bench/soak/README.md): every operation in both framings
# through the line emulator under damage, loss, a silent device and random
# cancels, built with AddressSanitizer and UndefinedBehaviorSanitizer. Fails on
# any hang, crash, sanitizer report, partial file or undefined result code; a
# failed run's log and files stay in build/soak/work.
SOAK_DIR := build/soak
SOAK_ARGS ?=

.PHONY: soak soak-build sweep
soak-build: deps
	cmake -S . -B $(SOAK_DIR) -DCMAKE_BUILD_TYPE=Debug -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=ON \
	  -DCMAKE_CXX_FLAGS="-O1 -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
	cmake --build $(SOAK_DIR) -j2 --target corvane-soak

soak: soak-build
	./$(SOAK_DIR)/bench/corvane-soak --work $(SOAK_DIR)/work $(SOAK_ARGS)

# The single-fault sweep (bench/soak/README.md): every operation in both
# framings, once for every packet of its exchange lost and once damaged, in
# either direction. Fails on any run that is neither byte-exact nor a clean
# failure; those runs' logs stay in build/soak/sweep.
SWEEP_ARGS ?=

sweep: soak-build
	./$(SOAK_DIR)/bench/corvane-soak --sweep --jobs 12 --work $(SOAK_DIR)/sweep $(SWEEP_ARGS)
