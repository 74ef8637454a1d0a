#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Usage: install-deps.sh [bench|coverage]   ("bench" adds the libraries the benchmarks compare
# against, "coverage" the report tool of `make coverage`)
set -eu
# libcurl carries the HTTP sources on Linux. ffmpeg generates media for the seek tests;
# lighttpd serves the HTTP tests (over TLS too, with a certificate openssl makes) and python3
# runs their range-ignoring and fault servers;
# pkg-config checks the installed package as a user would link it; valgrind is for
# `make valgrind`.
packages="cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev clang
  libclang-rt-14-dev g++-mingw-w64-x86-64 wine64 libcurl4-openssl-dev ffmpeg lighttpd
  lighttpd-mod-openssl openssl python3 pkg-config valgrind"
# The benchmarks' peers: boost's spsc_queue, uriparser, gupnp-av (protocolInfo), GMime (MIME)
# and the curl tool (HTTP reads).
if [ "${1:-}" = bench ]; then
  packages="$packages libboost-dev liburiparser-dev libgupnp-av-1.0-dev libgmime-3.0-dev curl"
fi
if [ "${1:-}" = coverage ]; then
  packages="$packages gcovr"
fi
missing=""
for package in $packages; do
  dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" != 0 ]; then
  echo "missing packages:$missing (run as root, or install them, to continue)" >&2
  exit 1
fi
echo "installing:$missing"
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
