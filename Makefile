# Front door: `make run` builds and starts the program, `make test` builds and runs every test.
BUILD ?= build
CONFIG ?= Debug
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test test-asan demo package test-package clean

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(CONFIG)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/Quillmere/Tarnwell

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 ctest --output-on-failure -j $(JOBS)

# The whole suite again with AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer in
# a build folder of its own. Any report fails the test that caused it. The fuzz test is left
# out: its targets are sanitized already and `make test` runs them.
ASAN_BUILD ?= build-asan
ASAN_FLAGS = -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ \
	    -DCMAKE_CXX_FLAGS="$(ASAN_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(ASAN_FLAGS)" \
	    -DCMAKE_SHARED_LINKER_FLAGS="$(ASAN_FLAGS)" -DCMAKE_MODULE_LINKER_FLAGS="$(ASAN_FLAGS)"
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 \
	    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_init_order=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j $(JOBS) -E '^fuzz$$'

# A filled program at once: a copy of the application folder with a club and 250 members.
DEMO = $(BUILD)/demo
demo: build
	rm -rf $(DEMO)
	cp -r $(BUILD)/Quillmere $(DEMO)
	rm -f $(DEMO)/error.log
	$(BUILD)/bench/make-roll --members 250 --app-folder $(DEMO) --seed 250 --replace
	@echo "Demo application folder: $(DEMO) (start it again with: $(DEMO)/Tarnwell)"
	@if [ -n "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then $(DEMO)/Tarnwell; \
	else echo "No display here: run $(DEMO)/Tarnwell on a desktop."; fi

# What a secretary installs: a Debian package and a portable archive with its own Qt, from a
# Release build hardened with Debian's flags, in a folder of its own.
PACKAGE_BUILD ?= build-package
PACKAGE_DEB = $(PACKAGE_BUILD)/quillmere_3.0_amd64.deb
PACKAGE_TGZ = $(PACKAGE_BUILD)/Quillmere-3.0-linux-x86_64.tar.gz
package: deps
	DEB_BUILD_MAINT_OPTIONS=hardening=+all \
	CXXFLAGS="$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS) \
	    $$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CPPFLAGS)" \
	LDFLAGS="$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)" \
	    cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQMR_BUILD_TESTS=OFF
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB
	rm -rf $(PACKAGE_BUILD)/stage
	cmake --install $(PACKAGE_BUILD) --prefix $(CURDIR)/$(PACKAGE_BUILD)/stage --strip
	package/make-portable $(PACKAGE_BUILD)/stage/lib/quillmere $(PACKAGE_TGZ)
	@ls -l $(PACKAGE_DEB) $(PACKAGE_TGZ)

# The package checks: lintian, the file list, the menu entry and metainfo, the launcher's first
# start and upgrade, and the portable archive running on its own libraries.
test-package: package
	tests/package/deb.sh $(PACKAGE_DEB)
	tests/package/launcher.sh $(PACKAGE_DEB)
	tests/package/portable.sh $(PACKAGE_TGZ)

clean:
	rm -rf $(BUILD) $(PACKAGE_BUILD)
