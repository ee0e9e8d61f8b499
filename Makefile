# The commands of the README.  Everything builds out of tree in $(BUILD).
MAKEFLAGS += --no-print-directory
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Options for `make run`, e.g. make run ARGS=--headless
ARGS ?=

.PHONY: all deps configure build test run demo bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

run: build
	@$(BUILD)/src/zandorelle $(ARGS)

demo: build
	@scripts/demo $(BUILD)

bench: build
	@bench/bench.py --build $(BUILD) --json $(BUILD)/bench.json --svg $(BUILD)/bench-growth.svg

clean:
	rm -rf $(BUILD)
