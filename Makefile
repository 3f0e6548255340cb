# The two set-up commands: `make demo` and `make test`. Both install what is
# missing (Debian packages, as root) before they build.
DEB_PACKAGES := cmake g++ make libgtest-dev libgmock-dev libcli11-dev ckermit gkermit

.PHONY: all deps build test demo clean

all: build

deps:
	@missing=""; for p in $(DEB_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing Debian packages:$$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi

build: deps
	cmake --preset default
	cmake --build --preset default

test: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset tsan

demo: build
	./build/default/tools/corvane/corvane demo

clean:
	rm -rf build
