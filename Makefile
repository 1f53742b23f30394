# Front door: `make run` builds and starts the program, `make test` builds and runs every test.
BUILD ?= build
CONFIG ?= Debug
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test demo bench clean

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

clean:
	rm -rf $(BUILD)
