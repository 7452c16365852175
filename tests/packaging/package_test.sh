#!/usr/bin/env bash
# Builds the Debian package from the existing build folder, checks its control data and
# file list, unpacks it and runs the unpacked programs, and runs the validators on it.
# usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION
set -u
build=$1 src=$2 version=$3
. "$src/scripts/tools.sh"
require_tools cpack dpkg-deb desktop-file-validate appstreamcli lintian ar man
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; "$@" >"$work/out" 2>&1 || { fail "$what"; cat "$work/out"; }; }

# Packed twice from this build at one moment, the second time in another time zone and
# locale: the two packages must agree byte for byte. CPack's modes follow the umask, which
# scripts/package sets so.
export SOURCE_DATE_EPOCH=1577836800  # 2020-01-01 00:00:00 UTC: before any file of the build
umask 022
for packing in "cpack UTC C" "cpack-again Asia/Vladivostok C.UTF-8"; do
  read -r folder zone locale <<<"$packing"
  if ! TZ=$zone LC_ALL=$locale cpack -G DEB -B "$work/$folder" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1
  fi
done
deb=$work/cpack/raskladka_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { ls "$work/cpack"; echo "FAIL: no $(basename "$deb")"; exit 1; }
cmp "$deb" "$work/cpack-again/$(basename "$deb")" || fail "two packings of one build differ"
newest=$(dpkg-deb --fsys-tarfile "$deb" | TZ=UTC tar -tv --full-time | awk '{print $4 " " $5}' | sort | tail -1)
[[ $newest == "2020-01-01 00:00:00" ]] || fail "a file is newer than SOURCE_DATE_EPOCH: $newest"

# Control data: the libraries worked out from the binaries, plus what they cannot show.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = raskladka ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
depends=$(field Depends)
for dep in fonts-dejavu-core fonts-liberation2 qt6-translations-l10n libqt6widgets6 libqt6printsupport6 libqt6serialport6 libc6; do
  [[ ", $depends," == *", $dep"[\ ,]* ]] || fail "Depends lacks $dep: $depends"
done
[ "$(field Description | wc -l)" -ge 5 ] || fail "no extended description"
[ "$(field Recommends)" = libfile-mimeinfo-perl ] || fail "Recommends is '$(field Recommends)'"
controls=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | tr '\n' ' ')
[ "$controls" = "control md5sums postinst postrm " ] || fail "control members: $controls (dpkg's triggers do the caches)"
[ "$(ar t "$deb" | grep '^data')" = data.tar.xz ] || fail "data is not xz: $(ar t "$deb" | tr '\n' ' ')"

# Every file the package installs, and nothing else.
expected="usr/bin/raskladka
usr/bin/raskladka-cli
usr/bin/raskladka-simkbd
usr/bin/raskladka-station
usr/share/applications/org.raskladka.Raskladka.Station.desktop
usr/share/applications/org.raskladka.Raskladka.desktop
usr/share/bash-completion/completions/raskladka-cli
usr/share/doc/raskladka/changelog.gz
usr/share/doc/raskladka/copyright
usr/lib/udev/rules.d/70-raskladka.rules"
for size in 16 22 24 32 48 64 128 256; do
  expected+=$'\n'"usr/share/icons/hicolor/${size}x${size}/apps/raskladka.png"
done
expected+="
usr/share/icons/hicolor/scalable/apps/raskladka.svg
usr/share/man/man1/raskladka-cli.1.gz
usr/share/man/man1/raskladka-simkbd.1.gz
usr/share/man/man1/raskladka-station.1.gz
usr/share/man/man1/raskladka.1.gz
usr/share/metainfo/org.raskladka.raskladka.metainfo.xml
usr/share/mime/packages/raskladka.xml"
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort)
if [ "$actual" != "$(sort <<<"$expected")" ]; then
  fail "file list"; diff <(sort <<<"$expected") <(echo "$actual")
fi

# The unpacked programs run on the system's libraries as they are.
root=$work/root
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x"; exit 1; }
export QT_QPA_PLATFORM=offscreen
[ "$("$root/usr/bin/raskladka-cli" --version)" = "raskladka-cli $version" ] || fail "raskladka-cli --version"
[ "$("$root/usr/bin/raskladka" --version)" = "raskladka $version" ] || fail "raskladka --version"
[ "$("$root/usr/bin/raskladka-station" --version)" = "raskladka-station $version" ] || fail "raskladka-station --version"
# Help and the version need no display: a console over SSH has none.
(unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
 [ "$("$root/usr/bin/raskladka-station" --version)" = "raskladka-station $version" ] &&
   "$root/usr/bin/raskladka-station" --help | grep -q -- "--no-verify") || fail "raskladka-station without a display"
info=$("$root/usr/bin/raskladka-cli" info "$src/fuzz/corpus/btv_sample.btv" 2>&1) || fail "info on a sample: $info"
[[ $info == *"макет раскладки без ошибок"* ]] || fail "info says: $info"
check "raskladka-simkbd --help" "$root/usr/bin/raskladka-simkbd" --help
[ "$("$root/usr/bin/raskladka-simkbd" --version)" = "raskladka-simkbd $version" ] || fail "raskladka-simkbd --version"
grep -q "^License: Expat$" "$root/usr/share/doc/raskladka/copyright" || fail "copyright names no licence"
grep -q "<project_license>MIT</project_license>" "$root/usr/share/metainfo/org.raskladka.raskladka.metainfo.xml" ||
  fail "metainfo names no project licence"

# The version is written in more places than the build knows of.
zcat "$root/usr/share/doc/raskladka/changelog.gz" | head -1 | grep -q "^raskladka ($version) " ||
  fail "changelog's latest entry is not $version"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.raskladka.raskladka.metainfo.xml" ||
  fail "metainfo has no release $version"
for page in "$root"/usr/share/man/man1/*.gz; do
  zcat "$page" | grep -q "^\.TH .* \"raskladka $version\"" || fail "$(basename "$page") does not name version $version"
done

# The pages in a locale that is not UTF-8 (none at all) and in one that is: no warning,
# which is what a Russian menu name the terminal cannot show gives.
for page in "$root"/usr/share/man/man1/*.gz; do
  for locale in "" C.UTF-8; do
    text=$(env -i PATH="$PATH" ${locale:+LANG=$locale} MANWIDTH=80 man --warnings -l "$page" 2>"$work/warnings")
    [ -s "$work/warnings" ] && { fail "man $(basename "$page") with LANG='$locale' warns"; head -5 "$work/warnings"; }
    [ "$(wc -l <<<"$text")" -gt 20 ] || fail "man $(basename "$page") with LANG='$locale' is empty"
  done
done

# The udev rule is read before the seat's rules turn its tag into access.
rule=$root/usr/lib/udev/rules.d/70-raskladka.rules
grep -q 'ATTRS{product}=="\*Magnetic Stripe Reader\*".*TAG+="uaccess"' "$rule" || fail "udev rule: $(grep -v '^#' "$rule")"

# What a desktop and Debian's archive checks say; the metainfo's screenshots are the
# README's pictures, named by their place in the repository.
metainfo=$root/usr/share/metainfo/org.raskladka.raskladka.metainfo.xml
for image in $(sed -n 's|.*<image[^>]*>https://[^/]*/\([^<]*\)</image>.*|\1|p' "$metainfo"); do
  grep -q "($image)" "$src/README.md" || fail "screenshot $image is not a picture of the README"
done
[ "$(grep -c '<image' "$metainfo")" -ge 2 ] || fail "metainfo has no screenshots"
check "appstreamcli validate --pedantic" appstreamcli validate --no-net --pedantic --strict "$metainfo"
grep -Eq '^[EWIP]: ' "$work/out" && { fail "appstreamcli has remarks"; cat "$work/out"; }
for entry in "$root"/usr/share/applications/*.desktop; do
  check "desktop-file-validate $(basename "$entry")" desktop-file-validate "$entry"
done
check "lintian" lintian --fail-on error "$deb"
grep -E '^[EW]: ' "$work/out" && fail "lintian errors or warnings"

if [ $failures -ne 0 ]; then echo "$failures failed"; exit 1; fi
echo "package $(basename "$deb") checked"
