# The two commands of the README (`make demo`, `make test`) and the developer's other targets.
BUILD    ?= build
SANBUILD ?= build-sanitize
FUZZBUILD ?= build-fuzz
PREFIX   ?= /usr/local
JOBS     ?= $(shell nproc)

# Debian packages the build, the tests, the demo and the plotting tool need (GDAL: the
# rasters of plaxen-export, and their reading in plotgrid and the tests; pybind11 and
# python3-dev: the Python module, whose grids are xarray DataArrays; pytest: its tests).
DEB_PACKAGES = cmake g++ make libgtest-dev libfast-float-dev libmatio-dev libgdal-dev \
               python3 python3-numpy python3-scipy python3-matplotlib python3-gdal \
               python3-dev pybind11-dev python3-pybind11 python3-xarray python3-pytest \
               groff-base man-db

# The targets `make demo` builds: the programs and the Python module examples/demo.sh runs
# (tools/plotgrid is a script). The tests and the benchmarks are left to `make test` and
# `make bench`. The module only where the build has it: a build configured with
# -DFIELDTOOLS_PYTHON=OFF has no such target, and the demo skips its Python part.
DEMO_TARGETS = plaxen plaxen_blanking recmat plaxen-export plaxen-info plaxen-grid
DEMO_PYTHON_TARGET = $$(grep -Eiqx 'FIELDTOOLS_PYTHON:BOOL=(0|OFF|NO|FALSE|N|IGNORE|NOTFOUND)?' \
                       $(BUILD)/CMakeCache.txt || echo plaxen_python)

.PHONY: all deps build test demo bench bench-large sanitize fuzz install uninstall clean

all: build

# Installs whatever Debian package is missing when run as root; otherwise names them.
deps:
	@missing=$$(for p in $(DEB_PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "installing: $$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "missing Debian packages: $$missing"; \
	    echo "install them (sudo apt-get install $$missing) or run make as root"; exit 1; \
	  fi; \
	fi

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(PREFIX)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target $(DEMO_TARGETS) $(DEMO_PYTHON_TARGET)
	bash examples/demo.sh $(BUILD)

bench: build
	bash bench/run.sh $(BUILD)

# plaxen-grid on 100,000,000 records (3.2 GB of data, generated on demand; not run by CI).
bench-large: build
	bash bench/large.sh $(BUILD)

# The whole test suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B $(SANBUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFIELDTOOLS_SANITIZE=ON -DFIELDTOOLS_BENCH=OFF
	cmake --build $(SANBUILD) -j $(JOBS)
	ctest --test-dir $(SANBUILD) --output-on-failure -j $(JOBS)

# The libFuzzer targets (clang), each run for FUZZ_SECONDS (default 60) on its committed
# corpus plus what earlier runs found; fails when a target finds a crash, a leak or a hang.
# The fuzz targets need clang and its libFuzzer runtime besides the usual packages.
fuzz: DEB_PACKAGES += clang-14 libclang-rt-14-dev
fuzz: deps
	cmake -S . -B $(FUZZBUILD) -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DFIELDTOOLS_FUZZ=ON -DFIELDTOOLS_TESTS=OFF -DFIELDTOOLS_BENCH=OFF -DFIELDTOOLS_PYTHON=OFF
	cmake --build $(FUZZBUILD) -j $(JOBS)
	@for t in list_reader formatted_writer bln_reader log_scanner grid_reader data_check; do \
	  mkdir -p $(FUZZBUILD)/corpus/$$t $(FUZZBUILD)/artifacts/$$t; \
	  echo "fuzz_$$t: $(or $(FUZZ_SECONDS),60) s, log in $(FUZZBUILD)/fuzz_$$t.log"; \
	  $(FUZZBUILD)/fuzz/fuzz_$$t -max_total_time=$(or $(FUZZ_SECONDS),60) -timeout=10 \
	    -close_fd_mask=3 -print_final_stats=1 -artifact_prefix=$(FUZZBUILD)/artifacts/$$t/ \
	    $(FUZZBUILD)/corpus/$$t fuzz/corpus/$$t > $(FUZZBUILD)/fuzz_$$t.log 2>&1 \
	  || { tail -n 60 $(FUZZBUILD)/fuzz_$$t.log; echo "fuzz_$$t found a problem: see $(FUZZBUILD)/artifacts/$$t/"; exit 1; }; \
	  grep -E '^stat::number_of_executed_units|^Done' $(FUZZBUILD)/fuzz_$$t.log; \
	done

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

uninstall:
	@test -f $(BUILD)/install_manifest.txt || { echo "nothing installed from $(BUILD)"; exit 0; }; \
	xargs -r -d '\n' rm -fv < $(BUILD)/install_manifest.txt

clean:
	rm -rf $(BUILD) $(SANBUILD) $(FUZZBUILD)

