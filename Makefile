# SPDX-License-Identifier: GPL-3.0-or-later
# kt58 Animator — build, run and test entry points.
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
BENCH_BUILD ?= build-bench
PACKAGE_BUILD ?= build-package
CMAKE_GEN := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
FUZZ_SECONDS ?= 30
PREFIX ?= /usr/local

.PHONY: all deps build run install package test test-normal test-asan bench fuzz clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-app.sh $(BUILD)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A build folder of its own without the tests: only what is installed is
# built. KT58_MAINTAINER="Name <user@host.domain>" names who maintains it.
package: deps
	cmake -S . -B $(PACKAGE_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKT58_TESTS=OFF \
	  $(if $(KT58_MAINTAINER),"-DKT58_MAINTAINER=$(KT58_MAINTAINER)")
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack

test: deps test-normal test-asan

test-normal:
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

test-asan:
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DKT58_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 900

bench: deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DKT58_BENCH=ON -DKT58_GUI=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target explorer_listing_bench playback_bench
	@KT58_GUI_BENCH_DIR=$(abspath $(BUILD))/bench/gui scripts/run-bench.sh $(BENCH_BUILD)
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/gui/explorer_listing_bench

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKT58_FUZZ=ON -DKT58_GUI=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(PACKAGE_BUILD)
