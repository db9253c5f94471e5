# The two commands of the README:
#   make run    installs what is missing, builds (Release, in build/) and starts the game
#   make check  the same set-up, then builds and runs every test through ctest
#   make package  the same set-up, then the Debian package build/tarnwick_<version>_<arch>.deb
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: run check deps build package

deps:
	@bash tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/bin/tarnwick

check: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

package: build
	cmake --build $(BUILD) --target package
