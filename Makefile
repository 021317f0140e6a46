# The two commands of the README: `make run` and `make test`.
SHELL := /bin/bash
JOBS  ?= $(shell nproc)

# Debian packages the build, the program and the tests need.
PACKAGES := cmake g++ make pkg-config qt6-base-dev libqt6sql6-sqlite libqt6svg6 libgl-dev \
            libgtest-dev libsqlite3-dev sqlite3 fonts-liberation poppler-utils xvfb xauth x11-utils
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)

.PHONY: run test deps release folder fuzz bench deb

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get -o DPkg::Lock::Timeout=600 update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get -o DPkg::Lock::Timeout=600 install -y -qq $$missing; \
	fi

release: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DRONVALO_TESTS=OFF
	cmake --build build -j$(JOBS)

# The program's folder: the executable plus db/ with empty tables and txt/; data is never touched.
folder: release
	@if ls build/bin/db/*.db build/bin/db/*.DB >/dev/null 2>&1; then \
	  mkdir -p build/bin/txt; \
	else \
	  build/bin/ronvalo-newdb build/bin; \
	fi

run: folder
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "make run: no display (DISPLAY and WAYLAND_DISPLAY are unset); start it from a desktop session or under xvfb-run."; \
	  exit 1; \
	fi
	build/bin/ronvalo

test: deps
	cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DRONVALO_SANITIZE=ON -DRONVALO_BENCH=OFF
	cmake --build build-test -j$(JOBS)
	cd build-test && ctest --output-on-failure -j$(JOBS)

# Feeds arbitrary bytes through the reading of a reader dump for 60 seconds; not part of `make test`.
FUZZ_SOURCES := tests/fuzz/reader_dump_fuzz.cpp src/import/reader_dump.cpp src/common/ole_date.cpp
fuzz: deps
	@dpkg-query -W -f='$${Status}\n' clang 2>/dev/null | grep -q '^install ok installed' || { \
	  echo "Installing: clang"; \
	  $(SUDO) apt-get -o DPkg::Lock::Timeout=600 update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get -o DPkg::Lock::Timeout=600 install -y -qq clang; }
	mkdir -p build-fuzz/corpus
	clang++ -std=c++20 -g -O1 -fPIC -Wall -Wextra -Werror \
	  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -Isrc \
	  $$(pkg-config --cflags Qt6Core) $(FUZZ_SOURCES) $$(pkg-config --libs Qt6Core) \
	  -o build-fuzz/reader_dump_fuzz
	build-fuzz/reader_dump_fuzz -max_total_time=60 -print_final_stats=1 \
	  build-fuzz/corpus tests/fuzz/samples

# The Debian package ronvalo_2.2-1_amd64.deb, built from a copy of the tree (tracked and new
# files, not build folders) with packaging/debian/ as its debian/, then checked by lintian.
DEB_TREE := build-deb/ronvalo-2.2
deb:
	rm -rf build-deb && mkdir -p $(DEB_TREE)
	git ls-files -z --cached --others --exclude-standard | \
	  tar --null -T - --ignore-failed-read -cf - | tar -C $(DEB_TREE) -xf -
	cp -r packaging/debian $(DEB_TREE)/debian
	@cd $(DEB_TREE) && dpkg-checkbuilddeps 2>/dev/null && command -v lintian >/dev/null || { \
	  echo "Installing the package's build dependencies and lintian"; \
	  $(SUDO) apt-get -o DPkg::Lock::Timeout=600 update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
	    build-essential dpkg-dev fakeroot lintian && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get -o DPkg::Lock::Timeout=600 build-dep -y -qq ./; }
	cd $(DEB_TREE) && DEB_BUILD_OPTIONS="parallel=$(JOBS) $$DEB_BUILD_OPTIONS" dpkg-buildpackage -b -us -uc
	cp build-deb/ronvalo_2.2-1_amd64.deb .
	lintian --fail-on error ronvalo_2.2-1_amd64.deb
