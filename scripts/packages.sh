# Shared by the play and test scripts: the Debian packages the project builds and runs with,
# installed only when some are missing.
TW_PACKAGES=(
  g++ clang libclang-rt-14-dev lld cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl1.2-dev libsdl-image1.2-dev libtinyxml-dev libglew-dev
  libgl1-mesa-dri libglu1-mesa-dev libx11-dev zlib1g-dev
  xvfb xauth xdotool
  libopenal-dev libsndfile1-dev
)
# Recast and Detour: the navigation mesh and its path queries.
TW_PACKAGES+=(librecast-dev)
# LZ4: the navigation tile cache's compressed heightfields.
TW_PACKAGES+=(liblz4-dev)
# The HTML engine: layout, parsing, painting and fonts; then V8's runtime libraries (V8 itself: fetch-v8.sh).
TW_PACKAGES+=(
  liblitehtml-dev libgumbo-dev libcairo2-dev libpango1.0-dev fonts-dejavu-core
  libbrotli1 libc-ares2 libicu72 libnghttp2-14 libssl3 libuv1 zlib1g
)
# x11-utils: xdpyinfo, with which the virtual-display test asks whether a display answers.
TW_PACKAGES+=(x11-utils)
# git: update-golden.sh lists the images it rewrote.
TW_PACKAGES+=(git)

# The programs that scripts/*.sh, the test tools (tests/tools/*.sh and *.cmake) and the test
# programs run, each of which a package above or one they pull in installs; the Packages test
# checks that. sudo is not here: it is what installs the packages when the user is not root.
TW_PROGRAMS=(
  bash sh env cat chmod ls mkdir mktemp rm basename dirname sed grep awk tr head tail sort seq sleep
  df nproc id tee xargs uptime
  renice setsid mcookie ps pgrep apt-get dpkg dpkg-deb
  cmake ctest ninja g++ clang clang++
  Xvfb xvfb-run xauth xdpyinfo xdotool git
)
source "$(dirname "${BASH_SOURCE[0]}")/fetch-v8.sh"

tw_install_packages() {
  local missing=()
  local package
  for package in "${TW_PACKAGES[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && { tw_fetch_v8; return 0; }
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
  tw_fetch_v8
}

tw_jobs() {
  nproc 2>/dev/null || echo 2
}
