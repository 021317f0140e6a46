# The two commands of the README: `make run` and `make test`.
SHELL := /bin/bash
JOBS  ?= $(shell nproc)

# Debian packages the build, the program and the tests need.
PACKAGES := cmake g++ make pkg-config qt6-base-dev libqt6sql6-sqlite libqt6svg6 libgl-dev \
            libgtest-dev libsqlite3-dev sqlite3 fonts-liberation poppler-utils xvfb xauth x11-utils \
            socat postgresql libqt6sql6-psql libxlsxwriter-dev zlib1g-dev \
            qt6-translations-l10n python3 libsodium-dev libcpp-httplib-dev \
            chromium chromium-driver python3-selenium apache2-utils
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)

.PHONY: web run test deps release folder fuzz soak bench deb windows windows-test windows-deps windows-e2e windows-psql

# Installs those of the Debian packages $(1) that are missing.
define install-missing
	@missing=$$(for p in $(1); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get -o DPkg::Lock::Timeout=600 update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get -o DPkg::Lock::Timeout=600 install -y -qq $$missing; \
	fi
endef

deps:
	$(call install-missing,$(PACKAGES))

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

# The web service on build/bin for trying it: on http://127.0.0.1:8080/ (WEB_PORT), with an
# administrator "admin" whose new random password is printed; stopped with Ctrl+C.
WEB_PORT ?= 8080
web: folder
	@password=$$(head -c 18 /dev/urandom | base64 | tr -d '/+=' | head -c 16); \
	if build/bin/ronvalo-web --folder build/bin --konto lista | grep -q '^admin[[:space:]]'; then \
	  echo "$$password" | build/bin/ronvalo-web --folder build/bin --konto haslo admin >/dev/null; \
	else \
	  echo "$$password" | build/bin/ronvalo-web --folder build/bin --konto dodaj admin --rola administrator >/dev/null; \
	fi && \
	echo "Ronvalo 2.2 w przeglądarce: http://127.0.0.1:$(WEB_PORT)/  login: admin  hasło: $$password" && \
	exec build/bin/ronvalo-web --folder build/bin --port $(WEB_PORT)

test: deps
	cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DRONVALO_SANITIZE=ON -DRONVALO_BENCH=OFF
	cmake --build build-test -j$(JOBS)
	cd build-test && ctest --output-on-failure -j$(JOBS)

# The import killed at 1000 random moments and the backup at 200, each run judged torn,
# duplicated, lost or completed; not part of `make test` (it takes some minutes).
SOAK_ARGS ?= 1000 200
soak: release
	build/bench/soak $(SOAK_ARGS)

# Three fuzzers, 60 seconds each, not part of `make test`: the reader dump through the import's
# own walker, the registry hive file parser, and the receive buffers with their comparison.
FUZZ_TIME := 60
FUZZ_FLAGS := -std=c++20 -g -O1 -fPIC -Wall -Wextra -Werror -Isrc \
              -fsanitize=fuzzer,address,undefined,float-cast-overflow \
              -fno-sanitize-recover=undefined,float-cast-overflow
FUZZ_reader_dump := src/core/import/reader_dump.cpp src/core/link/receive_buffer.cpp \
                    src/core/common/ole_date.cpp
FUZZ_registry_hive := src/platform/registry_posix.cpp src/platform/files_posix.cpp \
                      src/platform/file_names.cpp src/platform/os_error_posix.cpp \
                      src/platform/atomic_file.cpp src/platform/atomic_file_posix.cpp
FUZZ_receive := src/core/link/receive_buffer.cpp src/core/link/transmission_comparison.cpp
FUZZERS := reader_dump registry_hive receive

fuzz: deps
	$(call install-missing,clang)
	@set -e; for name in $(FUZZERS); do \
	  case $$name in \
	    reader_dump) sources="$(FUZZ_reader_dump)";; \
	    registry_hive) sources="$(FUZZ_registry_hive)";; \
	    receive) sources="$(FUZZ_receive)";; \
	  esac; \
	  mkdir -p build-fuzz/corpus/$$name; \
	  echo "== $$name: building"; \
	  clang++ $(FUZZ_FLAGS) $$(pkg-config --cflags Qt6Core) tests/fuzz/$${name}_fuzz.cpp $$sources \
	    $$(pkg-config --libs Qt6Core) -o build-fuzz/$${name}_fuzz; \
	  samples=; [ -d tests/fuzz/samples/$$name ] && samples=tests/fuzz/samples/$$name; \
	  echo "== $$name: fuzzing for $(FUZZ_TIME) s"; \
	  ( cd build-fuzz && ./$${name}_fuzz -max_total_time=$(FUZZ_TIME) -print_final_stats=1 \
	      -artifact_prefix=$$name- corpus/$$name $${samples:+../$$samples} ); \
	done

# Windows x86-64, cross-built with MinGW-w64 against Qt, OpenSSL and libpq (for Qt's PostgreSQL
# driver) built once from Debian's sources (packaging/windows/build-qt.sh) into RONVALO_WIN_QT;
# checked under Wine.
WIN_PACKAGES := g++-mingw-w64-x86-64-posix mingw-w64-tools nsis wine xvfb xdotool imagemagick \
                libz-mingw-w64-dev tcl
RONVALO_WIN_QT ?= /var/cache/ronvalo/qt6-mingw64-psql
export RONVALO_WIN_QT

windows-deps:
	$(call install-missing,$(WIN_PACKAGES))

# The platform layer's tests for Windows, run under Wine; needs no Qt.
windows-test: deps windows-deps
	JOBS=$(JOBS) packaging/windows/windows-test.sh

# The program's folder build-win/Ronvalo/ and the installer build-win/ronvalo-2.2-setup.exe.
windows: deps windows-deps
	JOBS=$(JOBS) packaging/windows/build-qt.sh
	JOBS=$(JOBS) packaging/windows/build-xlsxwriter.sh
	JOBS=$(JOBS) packaging/windows/build-sqlite.sh
	JOBS=$(JOBS) packaging/windows/build-windows.sh

# The installer and the program end to end under Wine on a virtual screen (see the script).
windows-e2e: windows
	packaging/windows/wine-e2e.sh

# The installed program's PostgreSQL driver under Wine against a server here over TLS (see the script).
windows-psql: windows
	packaging/windows/wine-psql.sh

# The Debian package ronvalo_VERSION_amd64.deb (VERSION from debian/changelog's first line),
# built from a copy of the tree (tracked and new files, not build folders) with packaging/debian/
# as its debian/, then checked by lintian.
DEB_TREE := build-deb/ronvalo-2.2
DEB_FILE := ronvalo_$(shell sed -n '1s/^[^(]*(\([^)]*\)).*/\1/p' packaging/debian/changelog)_amd64.deb
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
	cp build-deb/$(DEB_FILE) .
	lintian --fail-on error $(DEB_FILE)
