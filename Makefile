# Thin wrapper over the CMake presets (CMakePresets.json), so that an IDE
# gets the same builds; `make run` and `make test` install what is missing first.
JOBS  ?= $(shell nproc)
PKGS  := cmake g++ make libgtest-dev qt6-base-dev zlib1g-dev gnuplot-nox fonts-wine libxcb1-dev xvfb x11-utils \
         dpkg-dev file lintian
FUZZ_PKGS := clang libclang-rt-dev
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local

.PHONY: deps build test run install package bench fuzz sanitize clean

deps:
	@bash scripts/install-missing.sh $(PKGS)

build: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

test: build
	ctest --preset release -j $(JOBS)

# Only the window and what it needs, not the tests and the benchmarks.
run: deps
	cmake --preset release
	cmake --build --preset release --target Kavro -j $(JOBS)
	@bash scripts/run-window.sh build/bin

# kavro-convert, its manual page and its completions, under DESTDIR if given.
install: build
	DESTDIR="$(DESTDIR)" cmake --install build --prefix "$(PREFIX)"

# The Debian package of kavro-convert, in build/.
package: build
	cd build && cpack

bench: build
	bash bench/run-bench.sh build
	bash bench/run-window-bench.sh build

fuzz:
	@bash scripts/install-missing.sh $(PKGS) $(FUZZ_PKGS)
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	mkdir -p build-fuzz/corpus
	build-fuzz/tests/fuzz/kavro_fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	      -artifact_prefix=build-fuzz/ build-fuzz/corpus tests/fuzz/seeds

sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

# The builds go, but not what users keep beside the window: their ns.tr and
# the iNSpect.out it wrote.
KEEP := bin/ns.tr bin/iNSpect.out
clean:
	@for d in build build-fuzz build-asan; do \
	    [ -d $$d ] || continue; \
	    find $$d -depth -mindepth 1 ! -path $$d/bin $(foreach k,$(KEEP),! -path $$d/$(k)) -exec rm -rf {} +; \
	    rmdir --ignore-fail-on-non-empty $$d/bin 2>/dev/null; \
	    rmdir --ignore-fail-on-non-empty $$d; \
	done
