# The two commands of the README:
#   make run    installs what building and running the game need, builds the game and the
#               level checker (Release, in build/, no tests) and starts the game
#   make check  installs the test tools too, then builds everything with the tests and runs
#               every test through ctest, the unit tests again under AddressSanitizer +
#               UndefinedBehaviorSanitizer and (audio and threads) ThreadSanitizer, and a
#               short run of every fuzzer on its seeds
# and, for releases and longer runs:
#   make package  the set-up of make run, then the Debian package build/tarnwick_<version>_<arch>.deb
#   make fuzz   runs every fuzzer for FUZZ_SECONDS seconds (default 60) on its seeds
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

# The unit tests read the level and the sounds from the bundle folder of their build.
UNIT_TESTS = tarnwick_tests_app tarnwick_tests_render tarnwick_tests_audio \
             tarnwick_tests_game tarnwick_tests_screens tarnwick_tests_shell tarnwick_resources
THREAD_TESTS = tarnwick_tests_app tarnwick_tests_audio tarnwick_resources

# Any report ends the test with a failure; detect_leaks stays on for the unit tests.
export ASAN_OPTIONS = halt_on_error=1:abort_on_error=1
export UBSAN_OPTIONS = halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS = halt_on_error=1

.PHONY: run check deps test-deps build build-tests package check-asan check-tsan fuzz-build fuzz fuzz-smoke

deps:
	@bash tools/install-deps.sh run

test-deps:
	@bash tools/install-deps.sh test

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	cmake --build $(BUILD) -j $(JOBS)

build-tests: test-deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/bin/tarnwick

check: build-tests
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) check-asan check-tsan fuzz-smoke

package: build
	cmake --build $(BUILD) --target package

check-asan: test-deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Release -DTARNWICK_SANITIZE=address,undefined
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target $(UNIT_TESTS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -R '^unit_'

check-tsan: test-deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Release -DTARNWICK_SANITIZE=thread
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(THREAD_TESTS)
	cd $(TSAN_BUILD) && ctest --output-on-failure -j $(JOBS) -R '^unit_(app|audio)$$'

fuzz-build: test-deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=Release -DTARNWICK_FUZZ=ON \
	      -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets

fuzz-smoke: fuzz-build
	bash tools/run-fuzzers.sh smoke $(FUZZ_BUILD)

fuzz: fuzz-build
	FUZZ_SECONDS=$(FUZZ_SECONDS) bash tools/run-fuzzers.sh long $(FUZZ_BUILD)
