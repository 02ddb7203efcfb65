# Kyrel Engine: set-up, build, demo and tests on Debian 12.
#   make run            installs what is missing, builds, runs the Parallax Map Demo
#   make test           installs what is missing, builds, runs every test under Xvfb
#   make test-sanitize  the whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer
#   make bench          builds and runs the benchmarks
#   make fuzz           builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
BENCH_DIR ?= build-bench
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)

PACKAGES = build-essential cmake pkg-config \
	libsdl1.2-dev libsdl-image1.2-dev libsdl-mixer1.2-dev libglew-dev \
	libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libx11-dev \
	libgtest-dev libgmock-dev libbenchmark-dev \
	xvfb xauth xdotool x11-apps x11-utils imagemagick fonts-dejavu-core
BENCH_PACKAGES = libjpeg62-turbo-dev libstb-dev libpugixml-dev libtinyxml2-dev libtinyobjloader-dev
FUZZ_PACKAGES = clang libclang-rt-14-dev

XVFB_RUN = xvfb-run -a -s "-screen 0 1280x1024x24 -noreset"
# Runs a command once the virtual display accepts clients (it may not, right after start).
WHEN_DISPLAY_READY = sh -c 'for i in $$(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done; exec "$$@"' --
TEST_ENV = SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

.PHONY: all deps deps-bench deps-fuzz build run test test-sanitize bench fuzz clean

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

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@tools/run_demo.sh $(BUILD_DIR)/demo

test: build
	cd $(BUILD_DIR) && env $(TEST_ENV) $(XVFB_RUN) $(WHEN_DISPLAY_READY) ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DKYREL_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && env $(TEST_ENV) $(XVFB_RUN) $(WHEN_DISPLAY_READY) ctest --output-on-failure -j $(JOBS)

bench: deps-bench
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DKYREL_BENCH=ON -DKYREL_TESTS=OFF
	cmake --build $(BENCH_DIR) -j $(JOBS)
	@for b in $(BENCH_DIR)/bench/*; do \
		if [ -f "$$b" ] && [ -x "$$b" ]; then echo "== $$b"; env $(TEST_ENV) $(XVFB_RUN) "$$b" || exit 1; fi; \
	done

fuzz: deps-fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYREL_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	@tools/run_fuzzers.sh $(FUZZ_DIR)/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(BENCH_DIR) $(FUZZ_DIR)
