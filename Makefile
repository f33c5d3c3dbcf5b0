# Front door for building, testing, benchmarking and fuzzing.
#   make demo    build, write a sample movie and compress it with the command line
#   make test    release build + tests, then the same tests under ASan and UBSan
#   make bench   release build + every benchmark
#   make fuzz    clang build with libFuzzer; FUZZ_SECONDS (default 1800)
#   make mutate  the command line under ASan/UBSan over MUTATE_COUNT (default 10000)
#                mutated movies, in /tmp/shrinkwell-mutate (scripts/mutate-run.sh)
#   make screenshots  PNGs of every state of the desktop window, under out/screenshots/ (Xvfb)
#   make install PREFIX=/usr/local   the release build installed under PREFIX (DESTDIR honoured)
#   make deb     Debian packages under build-deb/ (dpkg-buildpackage), checked by lintian
#   make deb-test  installs those packages here, runs them, purges them (root; not part of make test)
#   make clean
# CORPUS=/path/to/movies points the corpus test and benchmarks at real movies.

SHELL := /bin/bash
.SHELLFLAGS := -eu -o pipefail -c

JOBS ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo
FUZZ_SECONDS ?= 1800
MUTATE_COUNT ?= 10000
PREFIX ?= /usr/local
CORPUS ?=

RELEASE_DIR := build
ASAN_DIR := build-asan
FUZZ_DIR := build-fuzz
DEB_DIR := build-deb
CORPUS_FLAG := $(if $(CORPUS),-DSHRINKWELL_CORPUS_DIR=$(abspath $(CORPUS)))

# A sanitizer report ends the process with a failure, leaks included.
SANITIZER_ENV := \
  ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1 \
  UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=exitcode=23

.PHONY: all deps configure-release release asan demo test test-release test-asan bench fuzz mutate screenshots \
  install deb deb-test clean

all: release

deps:
	@scripts/deps.sh

configure-release: deps
	@cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTAGSMITH_SANITIZE=OFF -DTAGSMITH_FUZZ=OFF \
	  -DTAGSMITH_TESTS=ON -DTAGSMITH_BENCH=ON $(CORPUS_FLAG) >/dev/null

release: configure-release
	cmake --build $(RELEASE_DIR) -j$(JOBS)

asan: deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTAGSMITH_SANITIZE=ON -DTAGSMITH_FUZZ=OFF \
	  -DTAGSMITH_TESTS=ON -DTAGSMITH_BENCH=OFF \
	  $(CORPUS_FLAG) >/dev/null
	cmake --build $(ASAN_DIR) -j$(JOBS)

demo: configure-release
	cmake --build $(RELEASE_DIR) -j$(JOBS) --target make-sample shrinkwell-cli
	@mkdir -p out
	$(RELEASE_DIR)/make-sample out/sample.swf
	$(RELEASE_DIR)/shrinkwell-cli -o out out/sample.swf

test: test-release test-asan

test-release: release
	cd $(RELEASE_DIR) && ctest --output-on-failure -j$(JOBS)

test-asan: asan
	cd $(ASAN_DIR) && env $(SANITIZER_ENV) ctest --output-on-failure -j$(JOBS)

bench: configure-release
	cmake --build $(RELEASE_DIR) -j$(JOBS) --target bench_programs
	cmake --build $(RELEASE_DIR) --target run_benchmarks

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTAGSMITH_FUZZ=ON \
	  -DTAGSMITH_TESTS=OFF -DTAGSMITH_BENCH=OFF >/dev/null
	cmake --build $(FUZZ_DIR) -j$(JOBS) --target fuzz_readwrite make_seeds
	@mkdir -p fuzz/corpus fuzz/crashes $(FUZZ_DIR)/seeds
	$(FUZZ_DIR)/fuzz/make_seeds $(FUZZ_DIR)/seeds
	@# Crashes do not end the session: each is kept under fuzz/crashes/ and the run fails at the end.
	@before=$$(ls fuzz/crashes | wc -l); status=0; \
	env $(SANITIZER_ENV) $(FUZZ_DIR)/fuzz/fuzz_readwrite -fork=$(JOBS) -ignore_crashes=1 -max_total_time=$(FUZZ_SECONDS) \
	  -timeout=20 -rss_limit_mb=4096 -max_len=65536 -artifact_prefix=fuzz/crashes/ fuzz/corpus $(FUZZ_DIR)/seeds \
	  || status=$$?; \
	new=$$(( $$(ls fuzz/crashes | wc -l) - before )); \
	if [ $$new -gt 0 ]; then echo "fuzz: $$new new input(s) in fuzz/crashes/"; exit 1; fi; \
	exit $$status

mutate: deps
	MUTATE_COUNT=$(MUTATE_COUNT) MUTATE_JOBS=$(JOBS) scripts/mutate-run.sh

screenshots: configure-release
	BUILD_DIR=$(RELEASE_DIR) scripts/screenshots.sh

install: release
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE_DIR) --prefix "$(PREFIX)"

deb:
	@scripts/deps.sh deb
	scripts/deb.sh $(DEB_DIR)

# A movie built in code is what the installed command line compresses.
deb-test: deb configure-release
	cmake --build $(RELEASE_DIR) -j$(JOBS) --target make-sample
	@mkdir -p out
	$(RELEASE_DIR)/make-sample out/sample.swf
	scripts/debtest.sh $(DEB_DIR) out/sample.swf

clean:
	rm -rf $(RELEASE_DIR) $(ASAN_DIR) $(FUZZ_DIR) $(DEB_DIR) out
