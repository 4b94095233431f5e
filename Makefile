# Front door: `make run` builds both programs and starts pellux-generic;
# `make test` builds and runs every test; `make bench` prints speed figures.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)

.PHONY: all build run test test-sanitize bench clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/pellux-generic

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer (slow counts left out).
test-sanitize:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPELLUX_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

bench: build
	./tools/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
