# Two commands for a newcomer: `make run` and `make test`.
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
BUILD ?= build
CMAKE_FLAGS ?=
# A compiler cache makes rebuilds of a fresh clone on the same machine cheap.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# The build folders of one checkout share cache entries: paths are taken relative to the checkout
# and the folder a compiler runs in is left out, so build-no-tests reuses what build compiled.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

.PHONY: deps configure build run screenshots check-first-start test test-asan test-tsan bench fuzz \
	package \
	build-no-tests windows test-windows clean

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Builds what it runs and nothing else: the window and the simulator, or without a display the
# tool and the simulator of the headless demo. PORT= puts the simulator on another port.
PORT ?= 22002
run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target vornell-logger-sim \
		$(if $(DISPLAY)$(WAYLAND_DISPLAY),vornell,vornell-cli)
	@scripts/run-window.sh $(BUILD) $(PORT)

# The real windows under a virtual display, at 96 and at 192 dots per inch, with the fonts the
# tests pin (cmake/Pinned_fonts.cmake), so that the pictures do not depend on the machine's.
screenshots: export FONTCONFIG_FILE = $(abspath $(BUILD))/fonts/fonts.conf
screenshots: configure
	@cmake --build $(BUILD) -j $(JOBS) --target vornell-screenshots vornell-logger-sim
	@xvfb-run -a -s "-screen 0 1920x1400x24" $(BUILD)/tools/screenshots/vornell-screenshots \
		$(BUILD)/screenshots $(BUILD)/tools/logger-sim/vornell-logger-sim
	@QT_FONT_DPI=192 xvfb-run -a -s "-screen 0 2600x2000x24" \
		$(BUILD)/tools/screenshots/vornell-screenshots $(BUILD)/screenshots/192dpi \
		$(BUILD)/tools/logger-sim/vornell-logger-sim

# A first start and close under a virtual display writes the default Vornell.ini.
check-first-start: configure
	@cmake --build $(BUILD) -j $(JOBS) --target vornell
	@scripts/check-first-start.sh $(BUILD)/vornell

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORNELL_SANITIZE=ON $(LAUNCHER) >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS)

# The code that runs on two threads (the read, the document it fills, the window that shows it)
# under ThreadSanitizer; only those tests are built. Qt is not built with ThreadSanitizer and its
# locks are invisible to it, so the accesses Qt's own code makes are not judged
# (ignore_noninstrumented_modules); every access of ours is. Our threads hand nothing over through
# file descriptors, so I/O is not taken to order them (io_sync=0): unrelated reads and writes of
# files and sockets would otherwise hide races. The simulator is started by fork and exec.
test-tsan: deps
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNELL_TSAN=ON \
		$(LAUNCHER) >/dev/null
	@cmake --build build-tsan -j $(JOBS) --target test_document test_device test_app
	@cd build-tsan && TSAN_OPTIONS="halt_on_error=1 io_sync=0 ignore_noninstrumented_modules=1 \
		die_after_fork=0" ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b" || exit 1; done

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DVORNELL_FUZZ=ON $(LAUNCHER) >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzz_all
	@scripts/run-fuzz.sh build-fuzz $(FUZZ_SECONDS)

# The Debian package $(BUILD)/vornell_<version>_<arch>.deb, which lintian must pass without an error.
package: build
	@rm -f $(BUILD)/vornell_*.deb
	@cd $(BUILD) && cpack -G DEB >/dev/null
	@lintian --fail-on error $(BUILD)/vornell_*.deb
	@ls $(BUILD)/vornell_*.deb

# The three programs need neither GoogleTest nor Google Benchmark.
build-no-tests: deps
	@cmake -S . -B build-no-tests -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
		-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
		$(LAUNCHER) >/dev/null
	@cmake --build build-no-tests -j $(JOBS) --target vornell vornell-cli vornell-logger-sim

# The core, its tests and vornell-cli.exe cross-built for Windows (mingw-w64), tested under wine.
windows:
	@scripts/install-deps.sh windows
	@cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
		-DVORNELL_CORE_ONLY=ON -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake $(LAUNCHER) >/dev/null
	@cmake --build build-windows -j $(JOBS)

# Compares vornell-cli.exe's files with those of the Linux vornell-cli in $(BUILD).
test-windows: windows configure
	@cmake --build $(BUILD) -j $(JOBS) --target vornell-cli vornell-logger-sim
	@scripts/test-windows.sh build-windows $(BUILD)

clean:
	rm -rf build build-asan build-tsan build-fuzz build-no-tests build-windows
