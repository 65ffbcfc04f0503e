# Entry points for a fresh machine:
#   make run    installs what is missing, builds and starts the application
#   make test   installs what is missing, builds and runs every test
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?=

.PHONY: setup build run test asan-test fuzz bench format clean

setup:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja: | setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/vorn

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

asan-test: setup
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORN_SANITIZE=ON \
	  -DVORN_BUILD_BENCHMARKS=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# Every fuzzer of tests/fuzz for FUZZ_SECONDS (20) each, in its own clang build folder.
fuzz: setup
	JOBS=$(JOBS) bash scripts/fuzz.sh

bench: build
	@for b in $(BUILD)/bench/*_bench; do \
	  echo "== $$b"; $$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; \
	done

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
