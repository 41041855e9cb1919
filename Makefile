# make run   - install what is missing, build, start the program in run/ (a kept
#              working copy of the sample race)
# make test  - install what is missing, build, run every test plainly and under
#              AddressSanitizer + UndefinedBehaviorSanitizer
# make reset-run - throw away run/ so that the next `make run` starts from the sample

BUILD     ?= build
SAN_BUILD ?= build-san
RUN_DIR   ?= run
PACKAGES  := g++ cmake ninja-build pkg-config make libncurses-dev libpcre2-dev \
             libgtest-dev libbenchmark-dev tmux chromium-headless-shell python3
SUDO      := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
JOBS      ?= $(shell nproc)

.PHONY: all deps build build-san run reset-run test test-plain test-san bench clean

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
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

build-san: deps $(SAN_BUILD)/build.ninja
	cmake --build $(SAN_BUILD) -j $(JOBS)

run: build
	@if [ ! -d $(RUN_DIR) ]; then cp -r sample $(RUN_DIR); echo "Made $(RUN_DIR)/ from sample/"; fi
	cd $(RUN_DIR) && ../$(BUILD)/korvel32

reset-run:
	rm -rf $(RUN_DIR)

test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-san: build-san
	cd $(SAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

test: test-plain test-san

bench: build
	bash bench/run_benchmarks.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
