# SPDX-License-Identifier: Apache-2.0
# Karvento: `make run` starts the program, `make test` runs every test.
BUILD      ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?=

.PHONY: all run test bench test-asan fuzz configure clean screenshots install package web

all: $(BUILD)/build.ninja
	@cmake --build $(BUILD)

bootstrap:
	@scripts/bootstrap
.PHONY: bootstrap

$(BUILD)/build.ninja:
	@scripts/bootstrap
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

configure: bootstrap
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

run: configure
	@cmake --build $(BUILD)
	@scripts/run "$(BUILD)"

test: configure
	@cmake --build $(BUILD)
	@scripts/web "$(BUILD)"
	@cd $(BUILD) && ctest --output-on-failure -j2

# The browser page, one self-contained file: $(BUILD)/web/karvento.html.
web: bootstrap
	@scripts/web "$(BUILD)"

bench: configure
	@cmake -S . -B $(BUILD) -DKARVENTO_BENCH=ON >/dev/null
	@cmake --build $(BUILD)
	@scripts/bench "$(BUILD)"

test-asan: bootstrap
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DKARVENTO_SANITIZE=ON -DKARVENTO_BENCH=OFF -DKARVENTO_WEB=OFF \
	  -DKARVENTO_PYTHON=OFF \
	  -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(ASAN_BUILD)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j2

fuzz: bootstrap
	@scripts/fuzz 60

# Installs both programs, the desktop entry and its icon under PREFIX
# (default /usr/local; DESTDIR is honoured).
PREFIX ?= /usr/local
install: configure
	@cmake --build $(BUILD)
	@cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package karvento_<version>_<arch>.deb in $(BUILD); its library
# dependencies are computed by dpkg-shlibdeps.
package: configure
	@cmake --build $(BUILD) --target package

# The main window on each tab, its menus and its dialogs, as PNG files.
screenshots: configure
	@cmake --build $(BUILD) --target karvento-screenshots
	@QT_QPA_PLATFORM=offscreen $(BUILD)/app/karvento-screenshots docs/screenshots >/dev/null
	@cmake --build $(BUILD) --target karvento-cli
	@scripts/frame-screenshots $(BUILD) docs/screenshots
	@scripts/web "$(BUILD)"
	@node web/screenshots.mjs "$(BUILD)" docs/screenshots

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
