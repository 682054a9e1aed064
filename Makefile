# The front door. Every target installs what it needs through scripts/deps.
#
#   make demo      build and run the decimal inspector on its built-in sample
#   make test      build everything and run the tests
#   make asan      the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   make bench     build and run the benchmarks against their peer libraries
#   make fuzz      build the libFuzzer targets and run each for FUZZ_SECONDS (60) from its seeds
#   make install PREFIX=/some/where
#   make consumer  build tests/consumer against quire: installed, as a subproject, fetched
#   make package   build the Debian packages quire and quire-dev under build/package
#   make package-check  install those packages, build the consumer against /usr, remove them

PREFIX ?= /usr/local
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DQUIRE_WERROR=ON
endif
CTEST = ctest --output-on-failure -j 2 --timeout 600

.PHONY: deps demo test asan bench fuzz install consumer package package-check clean

deps:
	@scripts/deps

demo: deps
	cmake --preset release $(CMAKE_FLAGS) >/dev/null
	cmake --build build/release --target quire-decimal
	build/release/apps/decimal/quire-decimal --sample

test: deps
	cmake --preset release $(CMAKE_FLAGS)
	cmake --build build/release
	cd build/release && $(CTEST)

asan: deps
	cmake --preset asan $(CMAKE_FLAGS)
	cmake --build build/asan
	cd build/asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 $(CTEST)

bench:
	@scripts/deps bench
	cmake --preset bench $(CMAKE_FLAGS)
	cmake --build build/bench
	@set -e; for b in $$(cat build/bench/benchmarks.txt); do \
	  echo "== $$b"; $$b $(BENCH_ARGS); done

fuzz:
	@scripts/deps fuzz
	CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUIRE_FUZZ=ON -DQUIRE_TESTS=OFF -DQUIRE_EXAMPLES=OFF -DQUIRE_APPS=ON -DQUIRE_FMT=OFF $(CMAKE_FLAGS)
	cmake --build build/fuzz
	fuzz/run

install: deps
	cmake -S . -B build/install -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DQUIRE_TESTS=OFF -DQUIRE_EXAMPLES=OFF -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_FLAGS)
	cmake --build build/install
	cmake --install build/install

consumer: deps
	tests/consumer/check

package: deps
	cmake --preset release -DCMAKE_INSTALL_PREFIX=/usr $(CMAKE_FLAGS)
	cmake --build build/release
	cd build/release && cpack -G DEB -B $(CURDIR)/build/package

package-check: package
	tests/consumer/check-debian build/package

clean:
	rm -rf build
