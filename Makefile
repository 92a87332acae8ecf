# Set-up, build and tests on a Debian machine: each target installs what the
# machine lacks first.
PRESETS := native sanitize win64 win32 fuzz
JOBS := $(shell nproc)

.PHONY: all deps build run test bench dist clean $(addprefix build-,$(PRESETS))

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

# The native tests, plain and under sanitizers; the Windows tests under wine64
# in their own prefix and display; the 32-bit ones under Wine emulated in a
# chroot (made once per machine, scripts/win32-env.sh); the release built
# twice, which must come out the same; then the parsers' fuzz targets for a
# bounded time each.
test: build
	ctest --preset native
	ctest --preset sanitize
	ctest --preset win64
	scripts/win32-env.sh prepare
	ctest --preset win32
	scripts/check-reproducible.sh
	ctest --preset fuzz

bench: build-native build-win64
	build/native/bin/shred_bench
	scripts/bench-ui.sh

# dist/brisvane-<version>-win32.zip: the 32-bit program, its read-me, SHA256SUMS.
dist: deps
	scripts/dist.sh

clean:
	rm -rf build dist
