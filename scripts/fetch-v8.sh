# V8 10.2 for the HTML engine, from Debian's libnode packages unpacked into third_party/v8/
# (git-ignored): "apt-get install libnode-dev" fails beside a NodeSource nodejs, which also puts
# V8 11 headers in the system include folder. Does nothing once unpacked.
tw_fetch_v8() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  local prefix="$root/third_party/v8"
  [ -f "$prefix/usr/lib/x86_64-linux-gnu/libnode.so.108" ] && [ -f "$prefix/usr/include/node/v8.h" ] && return 0
  local download
  download=$(mktemp -d)
  echo "Fetching V8 (libnode108, libnode-dev) into $prefix"
  # _apt cannot write into a root-owned temporary folder; the download is verified by apt either way.
  chmod 777 "$download"
  (cd "$download" && apt-get download libnode108 libnode-dev >/dev/null)
  mkdir -p "$prefix"
  local package
  for package in "$download"/*.deb; do
    dpkg-deb -x "$package" "$prefix"
  done
  rm -rf "$download"
}
