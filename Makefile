# Kelvanti: the two commands of the README.
#   make demo   install what is missing, build the x86-64 plug-in and renderer, render the demo on three
#               factory presets to build/x64/demo*.wav and draw the editor's two pages beside them
#   make test   install, build x86-64, 32-bit, sanitizer and fuzz flavours, run every test
JOBS      ?= $(shell nproc)
BUILD     ?= build
CMAKE_GEN := -G Ninja
CTEST     := ctest --output-on-failure -j $(JOBS) --timeout 600

# Where `make install` puts the plug-in: PREFIX/Kelvanti/Kelvanti.so, without
# its debug information, and its data folders (FLAVOUR=x86 installs the 32-bit
# build). One PREFIX holds one of the two builds: the install refuses to
# replace the other (hosts load only the build of their own architecture).
PREFIX    ?= $(HOME)/.vst
FLAVOUR   ?= x64

# build-* and deps-* are pattern rules over the flavours (make skips pattern
# rules for targets declared phony).
.PHONY: all demo banks test cross-clean plugin-x64 plugin-x86 test-x64 test-x86 test-asan test-tsan test-fuzz cross-check conformance-peers \
        bench bench-engine bench-callgrind bench-peers bench-gui bench-x86 install uninstall clean

all: build-x64

# Each flavour installs only what it needs (see tools/setup/install-deps.sh):
# `make demo` and `make install` ask for the compiler and CMake alone.
deps-%:
	@tools/setup/install-deps.sh $*

CONFIGURE_x64  := -DCMAKE_BUILD_TYPE=RelWithDebInfo
CONFIGURE_x86  := -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=cmake/i386.cmake
CONFIGURE_asan := -DCMAKE_BUILD_TYPE=Debug -DKELVANTI_SANITIZE=address
CONFIGURE_tsan := -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANTI_SANITIZE=thread
CONFIGURE_fuzz := -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANTI_FUZZ=ON \
                  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
configure = cmake -S . -B $(BUILD)/$(1) $(CMAKE_GEN) $(CONFIGURE_$(1))

build-%: deps-%
	$(call configure,$*)
	cmake --build $(BUILD)/$* -j $(JOBS)

# The plug-in, the renderer and the factory banks saved through them (in
# BUILD/FLAVOUR/data, what the install copies), no tests (the demo and the install).
plugin-x64: deps-demo
	$(call configure,x64)
	cmake --build $(BUILD)/x64 -j $(JOBS) --target Kelvanti kelvanti-render factory-banks
plugin-x86: deps-x86
	$(call configure,x86)
	cmake --build $(BUILD)/x86 -j $(JOBS) --target Kelvanti kelvanti-render factory-banks

# The dialog test shows a real box on an Xvfb display.
test-x64: build-x64 deps-xvfb
	cd $(BUILD)/x64 && $(CTEST)
test-x86: build-x86
	cd $(BUILD)/x86 && $(CTEST)
# LeakSanitizer does not scan thread-local storage: after a test unloads the
# plug-in (dlclose), its tracer can read the freed dynamic TLS block of a
# thread that called into the plug-in and crash at exit, whatever the code.
test-asan: build-asan
	cd $(BUILD)/asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=use_tls=0:print_suppressions=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 $(CTEST)
test-tsan: build-tsan
	cd $(BUILD)/tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tools/setup/tsan.supp $(CTEST)
test-fuzz: build-fuzz
	cd $(BUILD)/fuzz && $(CTEST)

# The x86-64 plug-in's renders against the 32-bit one's (a fixed performance and
# every factory preset), the toolkit's test cards (all written by their test
# runs), and both builds' editor pages drawn with the same settings.
CROSS_ENV := KELVANTI_REQUIRE_CROSS=1 KELVANTI_REGISTRY_DIR=$(BUILD)/x64/test-registry
cross-check: test-x64 test-x86
	$(CROSS_ENV) $(BUILD)/x64/params_crossbuild_test
	$(CROSS_ENV) $(BUILD)/x64/presets_factory_test --gtest_filter=FactoryBanks.EveryPreset*
	$(CROSS_ENV) $(BUILD)/x64/tests/gui_testcard_test
	tools/setup/editor-shots-alike.sh $(BUILD)

# Renders of an earlier run are not compared with this one's.
cross-clean:
	rm -rf $(BUILD)/crossbuild-renders

test: cross-clean test-x64 test-x86 cross-check test-asan test-tsan test-fuzz
	@echo "all flavours passed: x64 x86 asan tsan fuzz; builds render and draw alike"

# The conformance suite against Kelvanti and the Debian peer instruments (installed
# when missing), printed check by check.
conformance-peers: build-x64
	tests/conformance/compare-peers.sh $(BUILD)/x64/tests/conformance/conformance_suite $(BUILD)/x64/Kelvanti.so

# What the engine costs (x86-64 build): the table and CSV in $(BUILD)/x64/bench/,
# instruction counts under callgrind, and the Debian peers (installed when
# missing; PEERS=dpf-plugins-vst takes Kars alone), rendering and idle.
BENCH_DIR := $(BUILD)/x64/bench
bench: bench-engine bench-callgrind bench-peers bench-gui

bench-engine: build-x64
	$(BENCH_DIR)/kelvanti-bench --csv $(BENCH_DIR)/bench.csv

bench-callgrind: build-x64
	bench/callgrind.sh $(BENCH_DIR)/kelvanti-bench $(BENCH_DIR)

# A full repaint of a 724 x 160 editor page: microseconds, then instructions
# per repaint under callgrind; then the open editor's idle, one knob's
# redraw, a knob held for a second (the editor thread's CPU), opening it and
# its memory.
bench-gui: build-x64
	$(BENCH_DIR)/kelvanti-gui-bench --repaints 2000
	valgrind -q --tool=callgrind --collect-atstart=no --callgrind-out-file=$(BENCH_DIR)/callgrind.gui.out \
	    $(BENCH_DIR)/kelvanti-gui-bench --callgrind 20 >/dev/null
	@awk '/^totals:/ { printf "instructions per repaint: %.0f\n", $$2 / 20 }' $(BENCH_DIR)/callgrind.gui.out
	$(BENCH_DIR)/kelvanti-editor-bench --runs 4000

bench-peers: build-x64
	bench/peers.sh $(BENCH_DIR)/kelvanti-bench $(BUILD)/x64/kelvanti-render $(BUILD)/x64/Kelvanti.so $(BENCH_DIR)/peers

# The 32-bit build's table. Where the kernel cannot run 32-bit programs it runs
# under qemu-i386, and its timings are the emulator's, not the build's.
bench-x86: build-x86
	tools/setup/run-i386 $(BUILD)/x86/bench/kelvanti-bench --seconds 0.5 --runs 3 --csv $(BUILD)/x86/bench/bench.csv

# The demo pattern on three factory presets, one WAV each. The plug-in finds
# the banks the build staged (KELVANTI_DATA_DIR), as an installed one finds
# them beside itself, and keeps its settings in a folder of the build's own
# (KELVANTI_REGISTRY_DIR), never in the user's.
DEMO_PRESETS := "Diverse/01 Kit Tone" "Diverse/30 Marimba" "Drums/05 Crack Snare"
DEMO_ENV := KELVANTI_DATA_DIR=$(BUILD)/x64/data KELVANTI_REGISTRY_DIR=$(BUILD)/x64/demo-registry
demo: plugin-x64
	@n=0; for preset in $(DEMO_PRESETS); do \
	  n=$$((n + 1)); out=$(BUILD)/x64/demo$$( [ $$n -gt 1 ] && echo "-$$n").wav; \
	  echo "demo: the demo pattern on \"$$preset\""; \
	  $(DEMO_ENV) $(BUILD)/x64/kelvanti-render $(BUILD)/x64/Kelvanti.so \
	    --fxp "$(BUILD)/x64/data/Kelvanti Banks/$$preset.fxp" --out $$out || exit 1; \
	done
	@for page in main back; do \
	  $(DEMO_ENV) $(BUILD)/x64/kelvanti-render $(BUILD)/x64/Kelvanti.so \
	    --editor-shot $(BUILD)/x64/editor-$$page.png --page $$page || exit 1; \
	done
	@echo "demo: the rendered demos are $(BUILD)/x64/demo.wav, demo-2.wav and demo-3.wav"
	@echo "demo: the editor's pages are $(BUILD)/x64/editor-main.png and editor-back.png"

# Writes the factory banks again into resources/banks (commit them) after
# tools/presets/factory-banks.txt or the plug-in's preset format changed.
banks: plugin-x64
	tools/presets/make-banks.sh tools/presets/factory-banks.txt resources/banks \
	    $(BUILD)/x64/kelvanti-render $(BUILD)/x64/Kelvanti.so

install: plugin-$(FLAVOUR)
	tools/setup/install-plugin.sh install $(BUILD)/$(FLAVOUR) "$(PREFIX)/Kelvanti"

uninstall:
	tools/setup/install-plugin.sh uninstall "$(PREFIX)/Kelvanti"

clean:
	rm -rf $(BUILD)
