#!/usr/bin/env bash
# Several keys styled at once with the real editor under Xvfb, as a person would: Ctrl+click
# three keys, Shift+click a rectangle, "Оформление выбранных клавиш…" (Ctrl+Shift+F) sets
# size 20 and bold on all five lines. The saved button view differs from the original in
# exactly those fields of those keys; after one Ctrl+Z it is the original byte for byte.
set -u
bin=$1 sample=$2
. "$(dirname "$0")/xvfb_probe.sh" xdotool cmp od
cp "$sample" "$work/till.btv"
cat > "$work/probe.sh" <<PROBE
set -u
# xdotool matches window names as regular expressions in the locale's character set;
# without a locale (a fresh system, env -i) the Cyrillic titles would never match.
export LC_ALL=C.UTF-8
fail() { echo "\$1"; for x in \$(xdotool search --onlyvisible --pid \$pid --name "" 2>/dev/null); do echo "\$x: \$(xdotool getwindowname \$x)"; done; kill -9 \$pid; exit 1; }
"$bin" "$work/till.btv" 2>>"$work/stderr" & pid=\$!
# Waits for a shown window of the editor named \$1 (a pattern), \$2 of them; prints the last.
window() {
  for i in \$(seq 100); do
    ws=\$(xdotool search --all --onlyvisible --pid \$pid --name "\$1" 2>/dev/null)
    [ "\$(echo "\$ws" | grep -c .)" -ge "\${2:-1}" ] && { echo "\$ws" | tail -1; return 0; }
    sleep 0.2
  done
  return 1
}
gone() {
  for i in \$(seq 100); do
    [ -z "\$(xdotool search --all --onlyvisible --pid \$pid --name "\$1" 2>/dev/null)" ] && return 0
    sleep 0.2
  done
  return 1
}
# The title names the file once it is loaded and drawn.
main=\$(window "^Редактор Раскладки $work/till.btv\\\$") || fail "file not opened"
xdotool windowfocus --sync \$main
# Key (col, row), counted from 0, under the mouse with the modifier \$3 held.
press() { xdotool mousemove --window \$main \$((55 + 105 * \$1)) \$((80 + 105 * \$2)) keydown \$3 click 1 keyup \$3; }
press 1 0 ctrl; press 3 0 ctrl; press 5 0 ctrl
press 6 1 shift
xdotool key ctrl+shift+f
dialog=\$(window "^Оформление выбранных клавиш\\\$") || fail "no style dialog"
# From the label line chooser: text colour, size (20), style (the second, bold), OK.
xdotool windowfocus --sync \$dialog key Tab Tab ctrl+a type 20
xdotool key Tab Home Down Return
gone "^Оформление выбранных клавиш\\\$" || fail "style dialog stays open"

# Раскладка > Сохранить > Макет раскладки, into the file \$1.
save() {
  xdotool windowfocus --sync \$main mousemove --window \$main 40 10 click 1
  # The menus are windows without a name of their own: the main window and one, then two.
  window "" 2 >/dev/null || fail "no menu"
  xdotool key Down Down Right
  window "" 3 >/dev/null || fail "no submenu"
  xdotool key Down Return
  box=\$(window "^Сохранить раскладку\\\$") || fail "no save dialog"
  xdotool windowfocus --sync \$box type "\$1"
  xdotool key Return
  for i in \$(seq 100); do [ -s "\$1" ] && return 0; sleep 0.2; done
  fail "\$1 not saved"
}
save "$work/styled.btv"
xdotool windowfocus --sync \$main key ctrl+z
save "$work/undone.btv"
kill \$pid
PROBE
run_probe || exit 1

# The fields the dialog set: size and style of the five lines of each styled key.
byte() { od -An -tu1 -j "$2" -N1 "$1" | tr -d ' '; }
allowed=" "
for key in "1 0" "3 0" "5 0" "5 1" "6 0" "6 1"; do
  set -- $key
  for l in 0 1 2 3 4; do
    size=$((24836 + 30 * $1 + 5 * $2 + l)) style=$((25460 + 120 * $1 + 20 * $2 + 4 * l))
    [ "$(byte "$work/styled.btv" $size)" = 20 ] || { echo "key $key line $l: size not 20"; exit 1; }
    [ "$(od -An -tx4 -j $style -N4 "$work/styled.btv" | tr -d ' ')" = 00000001 ] ||
      { echo "key $key line $l: not bold"; exit 1; }
    allowed+="$size $style $((style + 1)) $((style + 2)) $((style + 3)) "
  done
done
changed=0
while read -r at _; do
  changed=$((changed + 1))
  [[ $allowed == *" $((at - 1)) "* ]] || { echo "byte $((at - 1)) changed, outside the styled fields"; exit 1; }
done < <(cmp -l "$sample" "$work/styled.btv")
[ $changed -gt 0 ] || { echo "nothing styled"; exit 1; }
cmp "$sample" "$work/undone.btv" || { echo "Ctrl+Z did not give the original back"; exit 1; }
echo "6 keys styled in $changed bytes, and undone"
