# Kyrel Engine: set-up, build, demo and tests on Debian 12.
#   make run            installs what is missing, builds, runs the Parallax Map Demo
#   make test           installs what is missing, builds, runs every test under Xvfb
#   make test-compat    the GL, input and e2e suites again on Debian's SDL 1.2 compatibility layer
#   make test-sanitize  the whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer
#   make test-under-load  make test UNDER_LOAD_ROUNDS times in a row with both cores kept busy (not in CI)
#   make bench          builds and runs the benchmarks
#   make fuzz           builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
#   make fuzz-long      a campaign: each target for FUZZ_LONG_SECONDS from its kept corpus with its
#                       dictionary, merged back into fuzz/corpus/, recorded in fuzz/campaigns.tsv
#   make soak           the demo and the viewer for SOAK_SECONDS under scripted input: memory growth,
#                       GL errors (a build that checks every frame) and the exit status
#   make docs           the API reference (Doxygen) from the public headers into DOCS_DIR; any
#                       Doxygen warning, an undocumented public member among them, fails it
#   make check          format and tidy checks, the base library's independence, bench and fuzz
#                       builds with the fuzzers replayed over their corpora, the API reference
#                       (CI runs it)
#   WERROR=ON           with any target: compiler warnings are errors

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
BENCH_DIR ?= build-bench
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_LONG_SECONDS ?= 600
SOAK_DIR ?= build-soak
DOCS_DIR ?= $(BUILD_DIR)/docs
SOAK_SECONDS ?= 600
UNDER_LOAD_ROUNDS ?= 3
JOBS ?= $(shell nproc)
WERROR ?= OFF
REPLAY_SECONDS ?= 5
CMAKE_OPTIONS = -DKYREL_WERROR=$(WERROR)

PACKAGES = build-essential cmake pkg-config \
	libsdl1.2-dev libsdl-image1.2-dev libsdl-mixer1.2-dev libglew-dev \
	libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libx11-dev \
	libgtest-dev libgmock-dev libbenchmark-dev libstb-dev \
	xvfb xauth xdotool x11-apps x11-utils imagemagick fonts-dejavu-core \
	libclang-rt-14-dev
BENCH_PACKAGES = libjpeg62-turbo-dev libstb-dev libpugixml-dev libtinyxml2-dev libtinyobjloader-dev libassimp-dev lib3ds-dev
FUZZ_PACKAGES = clang libclang-rt-14-dev
CHECK_PACKAGES = clang-format clang-tidy
DOCS_PACKAGES = doxygen
# SDL 1.2 as modern distributions ship it: a layer over SDL 2, installed beside the classic library.
COMPAT_PACKAGES = libsdl1.2-compat
COMPAT_LIB_DIR = /usr/lib/$(shell dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)/sdl12-compat

# A virtual display of the run's own: xvfb-run -a could hand two runs started together one number.
XVFB_RUN = $(CURDIR)/tools/on_virtual_display.sh "-screen 0 1280x1024x24 -noreset"
TEST_ENV = SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

.PHONY: all deps deps-bench deps-fuzz deps-check deps-compat deps-docs build build-bench build-fuzz run test test-compat test-sanitize test-under-load bench fuzz fuzz-long soak docs check check-install clean

all: build

# Installs each Debian package that is not installed yet (sudo when not root).
define install_missing
	@missing=""; \
	for p in $(1); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		SUDO=""; [ "$$(id -u)" -eq 0 ] || SUDO=sudo; \
		$$SUDO apt-get update && \
		DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

deps-bench: deps
	$(call install_missing,$(BENCH_PACKAGES))

deps-fuzz: deps
	$(call install_missing,$(FUZZ_PACKAGES))

deps-compat: deps
	$(call install_missing,$(COMPAT_PACKAGES))

deps-check: deps-bench deps-fuzz
	$(call install_missing,$(CHECK_PACKAGES))

deps-docs:
	$(call install_missing,$(DOCS_PACKAGES))

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON $(CMAKE_OPTIONS)
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@tools/run_demo.sh $(BUILD_DIR)/demo

test: build
	cd $(BUILD_DIR) && env $(TEST_ENV) $(XVFB_RUN) ctest --output-on-failure -j $(JOBS)

# The loader takes SDL (also under SDL_image and SDL_mixer) from the compatibility folder; the
# demo's resolved libraries show once that it really does, before the suites run.
test-compat: build deps-compat
	@LD_LIBRARY_PATH=$(COMPAT_LIB_DIR) ldd $(BUILD_DIR)/demo/ParallaxMapDemo | grep -E 'libSDL-1\.2\.so' | \
		tee /dev/stderr | grep -q '$(COMPAT_LIB_DIR)/' || \
		{ echo "the SDL 1.2 compatibility layer is not the library loaded"; exit 1; }
	cd $(BUILD_DIR) && env $(TEST_ENV) LD_LIBRARY_PATH=$(COMPAT_LIB_DIR) $(XVFB_RUN) \
		ctest --output-on-failure -j $(JOBS) -L 'gl|e2e'

test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DKYREL_SANITIZE=ON $(CMAKE_OPTIONS)
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && env $(TEST_ENV) $(XVFB_RUN) ctest --output-on-failure -j $(JOBS)

# A test that leans on timing instead of waiting for the state it needs fails here: one busy loop
# per core competes with the suite for the whole run, and every round must pass.
test-under-load: build
	@busy=""; for core in $$(seq 1 $$(nproc)); do sh -c 'while :; do :; done' & busy="$$busy $$!"; done; \
	trap 'kill $$busy' EXIT INT TERM; \
	for round in $$(seq 1 $(UNDER_LOAD_ROUNDS)); do \
		echo "== make test under load, round $$round of $(UNDER_LOAD_ROUNDS)"; \
		start=$$(date +%s); \
		$(MAKE) --no-print-directory test || { echo "== round $$round failed"; exit 1; }; \
		echo "== round $$round passed in $$(( $$(date +%s) - start )) s"; \
	done

build-bench: deps-bench
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DKYREL_BENCH=ON -DKYREL_TESTS=OFF $(CMAKE_OPTIONS)
	cmake --build $(BENCH_DIR) -j $(JOBS)

bench: build-bench
	@for b in $(BENCH_DIR)/bench/*; do \
		if [ -f "$$b" ] && [ -x "$$b" ]; then echo "== $$b"; env $(TEST_ENV) $(XVFB_RUN) "$$b" || exit 1; fi; \
	done

build-fuzz: deps-fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYREL_FUZZ=ON $(CMAKE_OPTIONS)
	cmake --build $(FUZZ_DIR) -j $(JOBS)

fuzz: build-fuzz
	@tools/run_fuzzers.sh $(FUZZ_DIR)/fuzz $(FUZZ_SECONDS)

fuzz-long: build-fuzz
	tools/fuzz_long.sh $(FUZZ_DIR)/fuzz $(FUZZ_LONG_SECONDS)

# A debug build that reports GL errors once per frame, run long under scripted keys and mouse.
soak: deps
	cmake -S . -B $(SOAK_DIR) -DCMAKE_BUILD_TYPE=Debug -DKYREL_GL_CHECK=ON -DKYREL_TESTS=OFF $(CMAKE_OPTIONS)
	cmake --build $(SOAK_DIR) -j $(JOBS) --target ParallaxMapDemo kyrel-view
	tools/soak.sh $(SOAK_DIR) $(SOAK_SECONDS)

# The API reference over the installed headers (docs/Doxyfile leaves out the same internal headers
# as the install). Doxygen prints every warning of the run, then exits non-zero if there was one.
KYREL_VERSION = $(shell sed -n 's/^project.KyrelEngine VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

docs: deps-docs
	tools/check_docs_exclude.sh
	mkdir -p $(DOCS_DIR)
	KYREL_VERSION=$(KYREL_VERSION) DOCS_DIR=$(DOCS_DIR) doxygen docs/Doxyfile
	@echo "API reference: $(DOCS_DIR)/html/index.html"

# Format and tidy over the sources, the layering of the two libraries, and every program that the
# test build leaves out: benchmarks built, fuzzers built and replayed over their kept corpora.
check: deps-check build build-bench build-fuzz check-install docs
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')
	run-clang-tidy -quiet -p $(BUILD_DIR) -j $(JOBS) '$(CURDIR)/src/' > $(BUILD_DIR)/clang-tidy.log 2>&1 || \
		{ grep -E 'warning:|error:' -A3 $(BUILD_DIR)/clang-tidy.log; exit 1; }
	@echo "clang-tidy: no findings"
	tools/check_layers.sh $(BUILD_DIR)/tests/unit_tests
	for f in $(FUZZ_DIR)/fuzz/fuzz_*; do [ -x "$$f" ] && tools/check_layers.sh "$$f" >/dev/null || exit 1; done
	tools/replay_fuzz_corpus.sh $(FUZZ_DIR)/fuzz $(REPLAY_SECONDS)

# Installs the engine into a temporary prefix, then builds and runs every example and the installed
# kyrel-view from a folder with no Data/ or shaders/.
check-install: build
	tools/check_install.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(BENCH_DIR) $(FUZZ_DIR)
