# The two everyday commands: `make run` converts the bundled sample map,
# `make test` builds and runs every test.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: run test build deps clean

deps:
	@sh scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j 2

run: build
	$(BUILD)/mirvex convert data/sample/sample.mif data/sample/sample.mid $(BUILD)/sample.mp

test: build
	cd $(BUILD) && ctest --output-on-failure -j 2

clean:
	rm -rf $(BUILD)
