# The commands of the README.  Everything builds out of tree in $(BUILD).
MAKEFLAGS += --no-print-directory
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Options for `make run`, e.g. make run ARGS=--headless
ARGS ?=

# Where `make install` puts the program; DESTDIR (from the environment) is
# prefixed to every path, for packagers.
PREFIX ?= /usr/local

.PHONY: all deps configure build programs test test-asan fuzz soak run demo bench install uninstall \
	package clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer
# (not the installation and package checks: nobody installs that build).
ASAN_BUILD ?= build-asan
SANITIZE = -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="$(SANITIZE)" \
		-DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/asan/lsan.supp \
		ctest --output-on-failure -j $(JOBS) --timeout 600 -E '^(fuzz_|install_test|package_test)'

# Each fuzz target for a minute (they need clang; each also runs briefly in make test).
FUZZ_SECONDS ?= 60
fuzz: build
	@for target in $(BUILD)/tests/fuzz_*; do \
		name=$$(basename $$target); \
		echo "== $$name"; \
		tests/fuzz/run-fuzzer $$target $(FUZZ_SECONDS) tests/fuzz/corpus/$${name#fuzz_} || exit 1; \
	done

# Hundreds of items each way over a damaged line; the figures are printed.
SOAK_ITEMS ?= 200
soak: build
	@ZD_SOAK_ITEMS=$(SOAK_ITEMS) $(BUILD)/tests/soak_tests

# The program and the simulated Newton alone: no test, no fuzz target.
programs: configure
	@cmake --build $(BUILD) -j $(JOBS) --target zandorelle newton-sim

run: programs
	@$(BUILD)/src/zandorelle $(ARGS)

demo: programs
	@scripts/demo $(BUILD)

bench: build
	@bench/bench.py --build $(BUILD) --json $(BUILD)/bench.json --svg $(BUILD)/bench-growth.svg

# Installs what `make` built, without building: under sudo nothing in the
# build tree changes hands.  Give the same PREFIX to both.
install:
	@test -f $(BUILD)/src/zandorelle || { echo "nothing built in $(BUILD) yet: run make first"; exit 1; }
	@cmake --install $(BUILD) --prefix $(PREFIX)

# Removes what the last `make install` put in place (its manifest lists it).
uninstall:
	@test -f $(BUILD)/install_manifest.txt || { echo "nothing installed from $(BUILD)"; exit 1; }
	@xargs -d '\n' rm -fv < $(BUILD)/install_manifest.txt
	@rm $(BUILD)/install_manifest.txt

# A Debian package that installs into /usr: $(BUILD)/zandorelle_VERSION_ARCH.deb
package: PREFIX = /usr
package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
