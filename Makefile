# make run   - install what is missing, build, start the program in run/ (a kept
#              working copy of the sample race)
# make test  - install what is missing, build, run every test plainly and under
#              AddressSanitizer + UndefinedBehaviorSanitizer
# make reset-run - throw away run/ so that the next `make run` starts from the sample
# make fuzz  - build the libFuzzer harnesses (clang, ASan + UBSan) and run each for
#              FUZZ_SECONDS (default 600), FUZZ_JOBS at a time (default 1)

BUILD     ?= build
SAN_BUILD ?= build-san
RUN_DIR   ?= run
# What building and running the program needs; the tests add their tools (the
# terminal multiplexer of the end-to-end tests, the headless browser of the web pages,
# clang and libFuzzer of the fuzz harnesses, python3 of the template check).
PACKAGES  := g++ cmake ninja-build pkg-config make libncurses-dev libpcre2-dev libgtest-dev \
             libcairo2-dev libpango1.0-dev fonts-ipaexfont
TEST_PACKAGES := libbenchmark-dev tmux chromium-headless-shell python3 clang libclang-rt-14-dev libxml2-utils \
                 poppler-utils
SUDO      := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
JOBS      ?= $(shell nproc)
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 600
FUZZ_JOBS    ?= 1
FUZZ_PACKAGES := clang libclang-rt-14-dev python3
# The folders of the program's sources that the fuzz build needs.
FUZZ_SOURCES := platform shell eventdata prompts timing checks reports html menus fuzz tools

.PHONY: all deps build build-program build-san run reset-run test test-plain test-san bench clean fuzz fuzz-build

all: build

deps:
	@missing=""; for p in $(sort $(PACKAGES)); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(SAN_BUILD)/build.ninja:
	cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=ON -DKORVEL_BENCH=OFF

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Only the program and the print program: a newcomer does not wait for the tests.
build-program: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target korvel32 lpx

build-san: deps $(SAN_BUILD)/build.ninja
	cmake --build $(SAN_BUILD) -j $(JOBS)

run: build-program
	@if [ ! -d $(RUN_DIR) ]; then cp -r sample $(RUN_DIR); echo "Made $(RUN_DIR)/ from sample/"; fi
	cd $(RUN_DIR) && ../$(BUILD)/korvel32

reset-run:
	rm -rf $(RUN_DIR)

test-plain: build
	cd $(BUILD) && ctest --output-on-failure --timeout 600 -j $(JOBS)

test-san: build-san
	cd $(SAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure --timeout 600 -j $(JOBS)

test: test-plain test-san

build build-san test test-plain test-san bench: PACKAGES += $(TEST_PACKAGES)

bench: build
	bash bench/run_benchmarks.sh $(BUILD)

# clang reads UTF-8 sources only and has no -fexec-charset: it builds a copy of the
# tree whose literals hold their CP932 bytes as escapes (tools/cp932_literals.py), so
# every text and pattern is byte for byte what the g++ build compiles.
fuzz-build fuzz: PACKAGES += $(FUZZ_PACKAGES)
fuzz-build: deps
	python3 tools/cp932_literals.py . $(FUZZ_BUILD)/src $(FUZZ_SOURCES)
	cmp -s CMakeLists.txt $(FUZZ_BUILD)/src/CMakeLists.txt || cp CMakeLists.txt $(FUZZ_BUILD)/src/CMakeLists.txt
	cmake -S $(FUZZ_BUILD)/src -B $(FUZZ_BUILD)/obj -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_FUZZ=ON -DKORVEL_BENCH=OFF
	cmake --build $(FUZZ_BUILD)/obj -j $(JOBS)

fuzz: fuzz-build
	bash fuzz/run_fuzzers.sh $(FUZZ_BUILD)/obj $(FUZZ_SECONDS) $(FUZZ_JOBS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
