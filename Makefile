# The entry points: `make demo` and `make test` (see README.md); `make format`
# reformats the C++ sources, `make tidy` runs clang-tidy.
JOBS ?= 2
RELEASE := build/release
ASAN := build/asan
FUZZ := build/fuzz
DEMO := build/demo
# Warnings are errors in `make test` (and on CI, where the CI variable makes
# ON the default of QUILL_WERROR). Other goals keep the tree's setting, so
# switching between them rebuilds nothing.
WERROR ?=
test: WERROR := ON
WERROR_FLAG = $(if $(WERROR),-DQUILL_WERROR=$(WERROR))
# Without a display (or on CI) the demo runs headless for ten seconds of
# virtual time and leaves a screenshot; with one it opens a window (Esc ends it).
HEADLESS := $(if $(or $(CI),$(if $(DISPLAY)$(WAYLAND_DISPLAY),,none)),--headless --ticks 300 --screenshot screenshot.png,--windowed)

.PHONY: demo demo-game test bootstrap release configure-release format check-format check-layers tidy fuzz-smoke

bootstrap:
	@tools/bootstrap

configure-release: bootstrap
	cmake -S . -B $(RELEASE) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(WERROR_FLAG)

release: configure-release
	cmake --build $(RELEASE) -j$(JOBS)

demo: release
	$(RELEASE)/src/shell/quill --init-install $(DEMO)
	mkdir -p $(DEMO)/projects/demo && cp examples/demo/* $(DEMO)/projects/demo/
	tools/demo-request $(DEMO)
	cd $(DEMO) && ../release/src/shell/quill $(HEADLESS) --messages messages.jsonl
	@echo "demo finished; messages in $(DEMO)/messages.jsonl"

# The demo built as a stand-alone game in build/demo/tarvoexe/, then played.
demo-game: release
	$(RELEASE)/src/shell/quill --init-install $(DEMO)
	mkdir -p $(DEMO)/projects/demo && cp examples/demo/* $(DEMO)/projects/demo/
	tools/demo-game $(DEMO) $(HEADLESS) --messages messages.jsonl
	@echo "demo game finished; messages in $(DEMO)/tarvoexe/messages.jsonl"

check-layers:
	tools/check-layers

check-format:
	tools/check-format

format:
	tools/format

# clang-tidy over the release tree's compile database, with the findings
# counted per check; not part of `make test`.
tidy: configure-release
	JOBS=$(JOBS) tools/tidy $(RELEASE)

# The libFuzzer targets built with clang, each run briefly from its seeds.
fuzz-smoke: bootstrap
	cmake -S . -B $(FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
		-DCMAKE_CXX_COMPILER=clang++ -DQUILL_FUZZ=ON -DQUILL_TESTS=OFF -DQUILL_BENCH=OFF $(WERROR_FLAG)
	cmake --build $(FUZZ) -j$(JOBS) --target fuzzers
	FUZZ_JOBS=$(JOBS) tools/fuzz-smoke $(FUZZ)

test: check-format check-layers release
	ctest --test-dir $(RELEASE) --output-on-failure -j$(JOBS)
	cmake -S . -B $(ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILL_SANITIZE=ON -DQUILL_BENCH=OFF $(WERROR_FLAG)
	cmake --build $(ASAN) -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
		ctest --test-dir $(ASAN) --output-on-failure -j$(JOBS)
	$(MAKE) --no-print-directory fuzz-smoke WERROR=$(WERROR)
