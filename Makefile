# Thin wrapper over CMake; `make run` and `make test` install what is missing first.
BUILD ?= build
JOBS  ?= $(shell nproc)
PKGS  := cmake g++ make libgtest-dev qt6-base-dev zlib1g-dev fonts-wine
FUZZ_PKGS := clang libclang-rt-dev
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local


.PHONY: deps build test run install bench fuzz sanitize clean

deps:
	@bash scripts/install-missing.sh $(PKGS)

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	@bash scripts/run-window.sh $(BUILD)/bin

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

bench: build
	bash bench/run-bench.sh $(BUILD)
	bash bench/run-window-bench.sh $(BUILD)

fuzz:
	@bash scripts/install-missing.sh $(PKGS) $(FUZZ_PKGS)
	cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	      -DKAVRO_FUZZ=ON -DKAVRO_BUILD_APP=OFF
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target kavro_fuzz
	mkdir -p $(BUILD)-fuzz/corpus
	$(BUILD)-fuzz/tests/fuzz/kavro_fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	      $(BUILD)-fuzz/corpus tests/fuzz/seeds

sanitize: deps
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DKAVRO_SANITIZE=ON
	cmake --build $(BUILD)-asan -j $(JOBS)
	cd $(BUILD)-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD)-fuzz $(BUILD)-asan
