# Set-up, build and tests on a Debian machine: each target installs what the
# machine lacks first.
PRESETS := native sanitize win64 win32 fuzz
JOBS := $(shell nproc)

.PHONY: all deps build run test bench clean $(addprefix build-,$(PRESETS))

all: build

deps:
	@scripts/install-deps.sh

build: $(addprefix build-,$(PRESETS))

$(addprefix build-,$(PRESETS)): build-%: deps
	cmake --preset $* >/dev/null
	cmake --build --preset $* --parallel $(JOBS)

# Brisvane itself, under wine64 (scripts/run.sh tells where and how).
run: build-win64
	scripts/run.sh

# The native tests, plain and under sanitizers, then the Windows tests under
# wine64 in their own prefix and display (win32 is built but cannot run here),
# then the parsers' fuzz targets for a bounded time each.
test: build
	ctest --preset native
	ctest --preset sanitize
	ctest --preset win64
	ctest --preset fuzz

bench: build-native build-win64
	build/native/bench/shred_bench
	scripts/bench-ui.sh

clean:
	rm -rf build
