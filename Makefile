# The two commands of the README, plus benchmarks, fuzzing, the soak, coverage and memcheck runs.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps test demo bench fuzz soak coverage valgrind clean

all: deps
	cmake -S . -B $(BUILD)/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DHV_TESTS=OFF
	cmake --build $(BUILD)/release -j $(JOBS)

deps:
	@scripts/install-deps.sh

test: deps
	@BUILD_DIR=$(abspath $(BUILD)) JOBS=$(JOBS) scripts/test-all.sh

demo: all
	$(BUILD)/release/bin/hvstream demo

# Each program's JSON, exit code, console output and running time (ms) go to
# $(BUILD)/bench/json/; a program that fails is reported as missing and the others still run.
bench:
	@scripts/install-deps.sh bench
	cmake -S . -B $(BUILD)/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHV_TESTS=OFF -DHV_TOOLS=OFF \
	  -DHV_BENCH=ON
	cmake --build $(BUILD)/bench -j $(JOBS)
	@rm -rf $(BUILD)/bench/json && mkdir -p $(BUILD)/bench/json
	@for b in $(BUILD)/bench/bin/*Bench; do \
	  name=$$(basename $$b); out=$(BUILD)/bench/json/$$name; echo "=== $$name"; \
	  start=$$(date +%s%N); \
	  "$$b" --benchmark_out=$$out.json --benchmark_out_format=json >$$out.log 2>&1; \
	  echo $$? >$$out.status; echo $$((($$(date +%s%N) - start) / 1000000)) >$$out.ms; \
	done
	@python3 scripts/bench-report.py $(BUILD)/bench

FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DHV_TESTS=OFF -DHV_FUZZ=ON -DHV_SANITIZE=address,undefined
	cmake --build $(BUILD)/fuzz -j $(JOBS)
	@for f in $(BUILD)/fuzz/bin/*Fuzz; do \
	  name=$$(basename $$f); work=$(BUILD)/fuzz/corpus/$$name; mkdir -p $$work; \
	  dict=; [ -f fuzz/$$name.dict ] && dict=-dict=fuzz/$$name.dict; \
	  echo "=== $$name ($(FUZZ_SECONDS) s)"; \
	  "$$f" -max_total_time=$(FUZZ_SECONDS) $$dict $$work fuzz/corpus/$$name || exit 1; \
	done

# SOAK_SECONDS (600 by default) is shared among the stress cases.
soak: deps
	@BUILD_DIR=$(abspath $(BUILD)) JOBS=$(JOBS) scripts/soak.sh

coverage:
	@scripts/install-deps.sh coverage
	@BUILD_DIR=$(abspath $(BUILD)) JOBS=$(JOBS) scripts/coverage.sh

valgrind: deps
	@BUILD_DIR=$(abspath $(BUILD)) JOBS=$(JOBS) scripts/valgrind.sh

clean:
	rm -rf $(BUILD)
