# Front door: `make run` builds both programs and starts pellux-generic;
# `make test` builds and runs every test; `make bench` prints speed figures;
# `make profile-build` builds both programs profile-guided into $(PGO_BUILD).
# `make EXE=<path> [CXX=<compiler>]` (what OpenBench runs) builds only the
# popcount program, Release, and copies it to <path>.
BUILD ?= build
ASAN_BUILD ?= build-asan
PGO_BUILD ?= build-pgo
JOBS ?= $(shell nproc)
# A compiler named on the command line or in the environment is handed to cmake.
CMAKE_CXX = $(if $(filter default,$(origin CXX)),,-DCMAKE_CXX_COMPILER=$(CXX))
# WERROR=ON turns every compiler warning into an error (continuous integration does).
WERROR ?= OFF
# clang-format 14 lays out the sources (the plain name is tried when the versioned one is missing).
CLANG_FORMAT ?= $(or $(shell command -v clang-format-14),clang-format)

.PHONY: all build exe run test test-sanitize test-tsan bench profile-build fuzz-build fuzz fuzz-long format format-check clean

all: $(if $(EXE),exe,build)

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DPELLUX_WERROR=$(WERROR) $(CMAKE_CXX)
	cmake --build $(BUILD) -j $(JOBS)

exe:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_CXX)
	cmake --build $(BUILD) -j $(JOBS) --target pellux-popcnt
	cp $(BUILD)/pellux-popcnt $(EXE)

# The program ends interactive mode with status 1 by design; any other status is still an error.
run: build
	./$(BUILD)/pellux-generic || test $$? -eq 1

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer (slow counts left out).
test-sanitize:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPELLUX_SANITIZE=ON -DPELLUX_WERROR=$(WERROR)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

# The parallel-search tests (label "threads") under ThreadSanitizer, against a
# program built with it too; the first report ends the program or test at once.
TSAN_BUILD ?= build-tsan
test-tsan:
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLUX_TSAN=ON -DPELLUX_WERROR=$(WERROR)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target pellux-generic pellux_thread_tests
	cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  ctest --output-on-failure -j $(JOBS) -L threads

bench: build
	./tools/bench.sh $(BUILD)

# Coverage-guided fuzzing (clang 14, libFuzzer, AddressSanitizer and UBSan):
# each target runs FUZZ_SECONDS seconds from its saved inputs in
# fuzz/corpus/<target>; new inputs and crash reproducers go to $(FUZZ_BUILD)/work, and a
# reproducer is printed when a target fails.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= fen movetext pgn book ini suites uci winboard syzygy
# Absolute: a target runs its dialogues in a scratch directory of its own.
FUZZ_WORK = $(abspath $(FUZZ_BUILD))/work

fuzz-build:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLUX_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))

fuzz: fuzz-build
	for t in $(FUZZ_TARGETS); do mkdir -p $(FUZZ_BUILD)/work/$$t && \
	  ./$(FUZZ_BUILD)/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -timeout=30 -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_WORK)/crash-$$t- $(FUZZ_BUILD)/work/$$t fuzz/corpus/$$t || \
	  { for f in $(FUZZ_WORK)/crash-$$t-*; do echo "reproducer $$f:"; od -An -c "$$f" | head -c 4000; done; exit 1; }; done

# Long fuzzing runs (hours): every target in turn for FUZZ_SECONDS seconds, in
# libFuzzer's fork mode with one worker per core (JOBS); new inputs and crash
# reproducers go to $(FUZZ_BUILD)/work as with `make fuzz`, e.g.
# `make fuzz-long FUZZ_SECONDS=3600 FUZZ_TARGETS="uci winboard"`.
fuzz-long: fuzz-build
	for t in $(FUZZ_TARGETS); do mkdir -p $(FUZZ_BUILD)/work/$$t && \
	  ./$(FUZZ_BUILD)/fuzz_$$t -fork=$(JOBS) -ignore_crashes=1 -max_total_time=$(FUZZ_SECONDS) -timeout=30 \
	    -artifact_prefix=$(FUZZ_WORK)/crash-$$t- $(FUZZ_BUILD)/work/$$t fuzz/corpus/$$t || exit 1; \
	  ! ls $(FUZZ_WORK)/crash-$$t-* >/dev/null 2>&1 || { echo "fuzz_$$t: reproducers in $(FUZZ_BUILD)/work"; exit 1; }; done

# Profile-guided build of both programs: instrumented programs run the bench
# and a perft each, then both are rebuilt from what those runs recorded.
# Results: $(PGO_BUILD)/pellux-popcnt and $(PGO_BUILD)/pellux-generic.
profile-build:
	rm -rf $(PGO_BUILD)/profile
	cmake -S . -B $(PGO_BUILD) -DCMAKE_BUILD_TYPE=Release -DPELLUX_PGO=generate $(CMAKE_CXX)
	cmake --build $(PGO_BUILD) -j $(JOBS) --target pellux-popcnt pellux-generic
	cd $(PGO_BUILD) && for p in pellux-popcnt pellux-generic; do \
	  ./$$p -bench </dev/null >/dev/null; test $$? -eq 1 || exit 1; \
	  ./$$p -perft 5 </dev/null >/dev/null; test $$? -eq 1 || exit 1; done
	cmake -S . -B $(PGO_BUILD) -DPELLUX_PGO=use
	cmake --build $(PGO_BUILD) -j $(JOBS) --target pellux-popcnt pellux-generic

# Source layout: `make format` rewrites every C++ file with the project's
# .clang-format; `make format-check` only reports the files it would change.
CXX_SOURCES = $(shell find board movegen eval search frontend book diagnostics tests fuzz bench tools \
                -name '*.cpp' -o -name '*.h')

format:
	$(CLANG_FORMAT) -i $(CXX_SOURCES)

format-check:
	@echo "$(CLANG_FORMAT) --dry-run --Werror on $(words $(CXX_SOURCES)) sources"
	@$(CLANG_FORMAT) --dry-run --Werror $(CXX_SOURCES)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(PGO_BUILD)
