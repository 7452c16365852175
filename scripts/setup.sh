# Shared by scripts/run, scripts/test and scripts/package: install what is missing, then
# configure and build. qt6-translations-l10n holds the toolkit's Russian texts; the last
# line but one of packages makes and checks the Debian package; gnumeric (ssconvert) checks
# the .csv layouts in a real spreadsheet.
# Sourced, not run.

RASKLADKA_PACKAGES="cmake make g++ qt6-base-dev qt6-serialport-dev libgl-dev fonts-liberation2 \
libbenchmark-dev xvfb xauth xdotool clang poppler-utils strace qt6-translations-l10n \
libudev-dev pkg-config dpkg-dev file lintian desktop-file-utils appstream shared-mime-info man-db bash-completion \
gnumeric"

raskladka_install_packages() {
  local missing=()
  for p in $RASKLADKA_PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then sudo="sudo"; else
      echo "error: packages missing (${missing[*]}) and not running as root" >&2; return 1
    fi
  fi
  $sudo apt-get update -qq || return 1
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" || return 1
}

# raskladka_build BUILD_DIR [cmake options...] [-- targets...]
raskladka_build() {
  local dir=$1; shift
  local opts=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do opts+=("$1"); shift; done
  [ "${1:-}" = "--" ] && { shift; targets=("$@"); }
  # RASKLADKA_CMAKE_OPTIONS (CI sets it) adds to every build's options.
  # shellcheck disable=SC2086
  cmake -S "$RASKLADKA_ROOT" -B "$dir" ${RASKLADKA_CMAKE_OPTIONS:-} "${opts[@]}" >/dev/null || return 1
  local t=()
  for x in "${targets[@]}"; do t+=(--target "$x"); done
  cmake --build "$dir" -j"$(nproc)" "${t[@]}"
}
