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

clean:
	rm -rf $(BUILD)
