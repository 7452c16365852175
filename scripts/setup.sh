# Shared by scripts/run, scripts/test and scripts/package: install what is missing, then
# configure and build. fonts-dejavu-core is the interface font the package depends on,
# qt6-translations-l10n holds the toolkit's Russian texts,
# bash-completion the completion the tests try, file what CPack reads the programs'
# libraries with, man-db what the manual pages are read with; every command a test,
# benchmark or script calls comes from scripts/tools.sh.
# Sourced, not run.

. "$(dirname "${BASH_SOURCE[0]}")/tools.sh"

RASKLADKA_PACKAGES="qt6-base-dev qt6-serialport-dev libgl-dev fonts-liberation2 fonts-dejavu-core libbenchmark-dev \
qt6-translations-l10n libudev-dev pkg-config shared-mime-info bash-completion file man-db \
$(awk 'NF == 2 { print $2 }' <<<"$RASKLADKA_TOOLS" | sort -u | tr '\n' ' ')"

# What building the programs alone needs: debian/control's Build-Depends without those
# only the tests use (marked <!nocheck>), and what CPack and the distribution's flags need.
raskladka_build_packages() {
  awk '/^Build-Depends:/ { on = 1; sub(/^Build-Depends:/, "") } on && /^[A-Z]/ && !/^Build-Depends:/ { on = 0 }
       on && !/^#/ { n = split($0, items, ","); for (i = 1; i <= n; i++) print items[i] }' \
    "$(dirname "${BASH_SOURCE[0]}")/../debian/control" |
    awk '$1 != "" && $0 !~ /<!nocheck>/ && $1 != "debhelper-compat" { print $1 }'
  echo "g++ make dpkg-dev file git"
}

# raskladka_install_packages [PACKAGE...]: installs those of the packages (by default
# everything the programs, tests, benchmarks and scripts need) that are missing.
raskladka_install_packages() {
  local missing=() wanted=${*:-$RASKLADKA_PACKAGES}
  for p in $wanted; do
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
  require_tools cmake g++ make
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
