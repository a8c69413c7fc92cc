# The two everyday commands: `make run` opens the window, mirvex-window (or, without a display,
# converts the bundled sample map), `make test` builds and runs every test.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: run test build deps screenshots package clean windows windows-test windows-package windows-screenshots

deps:
	@sh scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j 2

run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD)/mirvex-window; \
	else \
	  echo "Нет дисплея (DISPLAY не задан): вместо окна конвертирую пример из data/sample."; \
	  $(BUILD)/mirvex convert data/sample/sample.mif data/sample/sample.mid $(BUILD)/sample.mp; \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j 2

# Renders every panel of the window under Xvfb into docs/screenshots.
screenshots: build
	xvfb-run -a -s "-screen 0 1280x800x24" $(BUILD)/mirvex_screenshots docs/screenshots
	cp docs/screenshots/conversion.png docs/screenshots/column-view.png \
	   docs/screenshots/editing-mode.png docs/screenshots/crop.png docs/screenshots/compiler-settings.png \
	   docs/screenshots/map-conversion.png docs/screenshots/map-crop.png data/help/img/

# The .deb (CPack) and the portable archive, both in $(BUILD)/.
package: build
	cd $(BUILD) && cpack -G DEB >/dev/null && ls mirvex_*.deb
	sh scripts/make-portable.sh $(BUILD)

# Windows: mirvex.exe, mirvex-window.exe and the tests cross-built with MinGW-w64 into
# build-windows/ (with a static PROJ built once from Debian's sources into
# build-windows/deps/), the tests run under Wine, the portable zip and the window's screenshots.
WINDOWS_BUILD ?= build-windows

windows:
	@sh scripts/install-windows-deps.sh
	@sh scripts/build-proj-windows.sh $(WINDOWS_BUILD)
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake $(CMAKE_FLAGS) >/dev/null
	cmake --build $(WINDOWS_BUILD) -j 2

windows-test: windows
	sh scripts/test-windows.sh $(WINDOWS_BUILD)

windows-package: windows
	sh scripts/make-windows-package.sh $(WINDOWS_BUILD)

windows-screenshots: windows
	sh scripts/windows-screenshots.sh $(WINDOWS_BUILD)

clean:
	rm -rf $(BUILD) $(WINDOWS_BUILD)
