# SPDX-License-Identifier: MIT
# A thin layer over CMake: `make run` starts the player on the demo collection, `make test` runs every test,
# `make deb` builds the Debian package.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DMIRA_WERROR=ON
endif

# The Debian package is built in a folder of its own, so that packaging never replaces the record of
# a `cmake --install` from $(BUILD) (its install_manifest.txt, which the uninstall target reads).
BUILD_DEB ?= build-deb

.PHONY: all deps configure build run test test-asan tools bench deb clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	cd demo && ../$(BUILD)/player/mira.nol

# The whole suite runs twice: in the normal build, then under AddressSanitizer and UBSan.
test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-asan

test-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

deb: deps
	@cmake -S . -B $(BUILD_DEB) -G Ninja -DMIRA_BUILD_TESTS=OFF -DMIRA_BUILD_BENCHMARKS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DEB) -j $(JOBS)
	cd $(BUILD_DEB) && cpack -G DEB
	@ls $(BUILD_DEB)/packages/*.deb

# The demo and skin generators, and their tests against the committed files (see tools/).
tools: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) -DMIRA_TOOLS=ON >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -L tools

bench: build
	@for b in $(BUILD)/bench/*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf $(BUILD) $(BUILD_DEB)
