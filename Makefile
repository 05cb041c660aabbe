# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Brisvale contributors

# The commands a newcomer needs; see README.md.
BUILD_DIR := build
# On macOS the application is a bundle.
APP := $(if $(filter Darwin,$(shell uname -s)),$(BUILD_DIR)/Brisvale.app/Contents/MacOS/Brisvale,$(BUILD_DIR)/brisvale)
JOBS ?= $(shell nproc 2>/dev/null || sysctl -n hw.ncpu 2>/dev/null || echo 2)

.PHONY: all deps configure build run test sanitize screenshots bench clean

all: build

deps:
	@scripts/install-deps

configure:
	@test -f $(BUILD_DIR)/build.ninja || cmake --preset default

build: configure
	cmake --build --preset default -j $(JOBS)

run: deps build
	$(APP) $(ARGS)

test: deps build
	ctest --preset default -j $(JOBS)

# The whole suite again in a build of its own with AddressSanitizer and UndefinedBehaviorSanitizer
# (float-cast-overflow included), every report fatal; see tools/sanitize/.
sanitize: deps
	@test -f build-asan/build.ninja || cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

screenshots: build
	$(BUILD_DIR)/tools/screenshots/brisvale_screenshots $(BUILD_DIR)/screenshots

bench: build
	cmake --build --preset default --target benchmarks -j $(JOBS)
	@for b in $(BUILD_DIR)/bench/bench_*; do \
		[ -f "$$b" ] && [ -x "$$b" ] || continue; \
		echo "== $$b"; "$$b" || exit 1; \
	done

clean:
	rm -rf $(BUILD_DIR) build-asan
