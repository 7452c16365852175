# The commands beyond a minimal Debian system that the project's tests, benchmarks and
# scripts call, each with the Debian package that brings it. scripts/setup.sh installs
# every package named here; tests/setup_tools_test.sh fails when a script or test calls
# a command that is neither here nor part of a minimal system.
# Sourced, not run.

RASKLADKA_TOOLS="
appstreamcli appstream
ar binutils
clang++ clang
cmake cmake
cmp diffutils
convert imagemagick
cpack cmake
ctest cmake
debootstrap debootstrap
desktop-file-validate desktop-file-utils
dpkg-buildflags dpkg-dev
dpkg-buildpackage dpkg-dev
fc-match fontconfig
g++ g++
git git
import imagemagick
lintian lintian
make make
man man-db
nm binutils
od coreutils
pdfinfo poppler-utils
pdftoppm poppler-utils
rsvg-convert librsvg2-bin
ssconvert gnumeric
strace strace
update-mime-database shared-mime-info
xauth xauth
xdotool xdotool
Xvfb xvfb
"

# The Debian package of command $1, or nothing when the table does not name it.
raskladka_tool_package() {
  awk -v t="$1" '$1 == t { print $2; exit }' <<<"$RASKLADKA_TOOLS"
}

# require_tools COMMAND...: ends the calling test or script, naming the package to
# install, when a command is missing.
require_tools() {
  local tool package
  for tool in "$@"; do
    command -v "$tool" >/dev/null && continue
    package=$(raskladka_tool_package "$tool")
    echo "$tool is not installed: install the Debian package ${package:-that has it}" \
      "(./scripts/test installs what the tests need)" >&2
    exit 1
  done
}
