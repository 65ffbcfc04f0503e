# Entry points for a fresh machine:
#   make run    installs what is missing, builds and starts the application
#   make test   installs what is missing, builds and runs every test
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?=

.PHONY: setup build run test package asan-test fuzz bench format clean FORCE

setup:
	@bash scripts/install-deps.sh

# The flags of the last configure; rewritten (and so newer than build.ninja)
# only when CMAKE_FLAGS changes, which configures the folder again.
$(BUILD)/cmake-flags.stamp: FORCE
	@mkdir -p $(BUILD)
	@echo '$(CMAKE_FLAGS)' | cmp -s - $@ || echo '$(CMAKE_FLAGS)' > $@

$(BUILD)/build.ninja: $(BUILD)/cmake-flags.stamp | setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Only what runs: the application and the helper it sets up.
run: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target vorn vorn-hosts-helper vorn-proxy
	$(BUILD)/vorn

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The Debian package, $(BUILD)/vorn_<version>_amd64.deb (CPack's DEB generator;
# library dependencies from dpkg-shlibdeps). scripts/package-check.sh installs,
# runs and removes it.
package: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target vorn vorn-hosts-helper vorn-proxy vorn_man_pages vorn_changelog
	cd $(BUILD) && cpack -G DEB
	@ls $(BUILD)/vorn_*_amd64.deb

# LeakSanitizer is on and a leak fails the run (suppressions, for objects Qt
# keeps for the life of the process only: scripts/lsan.supp).
asan-test: setup
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORN_SANITIZE=ON \
	  -DVORN_BUILD_BENCHMARKS=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0:exitcode=23 \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# Every fuzzer of tests/fuzz for FUZZ_SECONDS (20) each, in its own clang build folder.
fuzz: setup
	JOBS=$(JOBS) bash scripts/fuzz.sh

bench: build
	@for b in $(BUILD)/bench/*_bench; do \
	  echo "== $$b"; $$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; \
	done

format:
	@bash scripts/install-deps.sh clang-format
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
