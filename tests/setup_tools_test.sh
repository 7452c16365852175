#!/usr/bin/env bash
# Every command that a test, benchmark or script of the project calls is either part of
# a minimal Debian system or named in scripts/tools.sh, whose packages scripts/setup.sh
# installs; and each command the table names is in the package it says, where the
# command is installed. A new tool called without set-up installing it fails here,
# naming it and its package, before a fresh machine meets it.
#   setup_tools_test.sh SOURCE_DIR
set -u
src=$(cd "$1" && pwd)
# Commands root uses (chroot, debootstrap) are looked up where root finds them.
PATH=$PATH:/usr/local/sbin:/usr/sbin:/sbin
. "$src/scripts/setup.sh"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The shell scripts: by their ending or their first line.
scripts=()
shebang='^#!.*[/ ](ba)?sh([[:space:]]|$)'
while IFS= read -r -d '' f; do
  case $f in *.sh) scripts+=("$f"); continue ;; esac
  first=""; IFS= read -r first <"$f" || true
  [[ $first =~ $shebang ]] && scripts+=("$f")
done < <(find "$src/scripts" "$src/tests" "$src/bench" "$src/fuzz" "$src/.ci" "$src/packaging" \
           -path "$src/fuzz/out" -prune -o -type f -print0 2>/dev/null)

# The first word of each simple command, as "COMMAND FILE", from the scripts and the
# scripts they write (here-documents): quoted text and comments dropped, wrappers such
# as timeout, env or setpriv looked through; the shell's own words, the scripts' functions and
# `command -v` probes left out. Commands inside a quoted $(...) go unseen.
calls() {
  awk -v builtins="$(compgen -b -k | tr '\n' ' ')" '
    BEGIN {
      split(builtins " [[ ]] ! { }", a, " "); for (i in a) skip[a[i]] = 1
      split("if then else elif do while until time ! exec nice", b, " "); for (i in b) lead[b[i]] = 1
      split("for case select function", c, " "); for (i in c) whole[c[i]] = 1
    }
    # The line without its comment, each quoted text turned into one word "_"; the
    # quotes may run over several lines.
    function clean(line,   out, i, ch, n) {
      out = ""; n = length(line)
      for (i = 1; i <= n; i++) {
        ch = substr(line, i, 1)
        if (sq) { if (ch == "\047") { sq = 0; out = out "_" } continue }
        if (dq) { if (ch == "\\") i++; else if (ch == "\"") { dq = 0; out = out "_" } continue }
        if (ch == "\\") { i++; ch = substr(line, i, 1); out = out (ch == "$" ? "$" : " "); continue }
        if (ch == "\047") { sq = 1; continue }
        if (ch == "\"") { dq = 1; continue }
        if (ch == "#" && (i == 1 || substr(line, i - 1, 1) ~ /[ \t(]/)) break
        out = out ch
      }
      return out
    }
    FNR == 1 { sq = dq = cont = 0; delim = "" }
    {
      raw = $0
      if (delim != "") { t = raw; gsub(/^[ \t]+|[ \t]+$/, "", t); if (t == delim) { delim = ""; sq = dq = 0; next } }
      if (match(raw, /<<-?[ \t]*[\047"]?[A-Za-z_]+/)) {
        d = substr(raw, RSTART, RLENGTH); gsub(/^<<-?[ \t]*[\047"]?/, "", d); delim = d
      }
      line = clean(raw)
      sub(/(^|[ \t])case[ \t].*[ \t]in[ \t].*/, "", line)               # patterns after case ... in
      if (cont) line = "_ " line
      cont = !sq && !dq && raw ~ /\\$/
      gsub(/=\([^)]*\)/, "=_", line)                                  # arrays
      gsub(/\$\{[^}]*\}|\$?\(\([^)]*\)\)|\[\[[^]]*\]\]/, "_", line)  # expansions, arithmetic, tests
      sub(/^[ \t]*[-A-Za-z0-9_*.|+ ]+\)([ \t]|$)/, "", line)         # a case pattern
      gsub(/\$\(|`|\|\||&&|[|;&(){}]/, "\n", line)
      n = split(line, seg, "\n")
      for (s = 1; s <= n; s++) {
        m = split(seg[s], w, /[ \t]+/); k = 1; x = ""
        while (k <= m) {
          x = w[k]
          if (x == "" || x ~ /^[A-Za-z_][A-Za-z0-9_]*(\[[^]]*\])?\+?=/ || x ~ /^[0-9]*[<>]/ || lead[x]) { k++; continue }
          if (x == "timeout") { k++; while (k <= m && (w[k] ~ /^-/ || w[k] ~ /^[0-9.]+[smhd]?$/)) k++; continue }
          if (x == "unshare" || x == "setpriv") { k++; while (k <= m && w[k] ~ /^-/) k++; continue }
          if (x == "env" || x == "xargs") { k++; while (k <= m && (w[k] ~ /^-/ || w[k] ~ /=/)) { if (w[k] == "-u") k++; k++ } continue }
          if (x == "command" && w[k + 1] ~ /^-[vV]$/) { k = m + 1; break }
          if (x == "command") { k++; continue }
          break
        }
        if (k > m || skip[x] || whole[x]) continue
        if (x ~ /^[A-Za-z][A-Za-z0-9._+-]*$/) print x, FILENAME
      }
    }' "$@"
}
functions=$(grep -hoE '^[[:space:]]*(function[[:space:]]+)?[A-Za-z_][A-Za-z0-9_-]*[[:space:]]*\(\)' "${scripts[@]}" |
  sed -E 's/^[[:space:]]*(function[[:space:]]+)?//; s/[[:space:]]*\(\)$//' | sort -u)
# The entry points must be among them, or the scan itself has gone wrong.
for entry in scripts/run scripts/test .ci/run .ci/fresh-root; do
  [[ " ${scripts[*]} " == *" $src/$entry "* ]] || fail "$entry was not read as a shell script (first line: $(head -1 "$src/$entry" | od -c | head -2 | tr -s ' '))"
done
used=$(calls "${scripts[@]}" | awk -v f="$(tr '\n' ' ' <<<"$functions")" '
  BEGIN { n = split(f, a, " "); for (i = 1; i <= n; i++) fn[a[i]] = 1 }
  !($1 in fn) && $1 !~ /^raskladka/')
# What the scripts ask for by name: require_tools and the Xvfb probe's tool list.
used+=$'\n'$(grep -HE '^[[:space:]]*(require_tools|\. .*xvfb_probe\.sh)[[:space:]]' "${scripts[@]}" |
  awk '{ file = $0; sub(/:.*/, "", file); rest = substr($0, length(file) + 2)
         sub(/^[ \t]*(require_tools|\. [^ ]*xvfb_probe\.sh)/, "", rest)
         n = split(rest, w, " "); for (i = 1; i <= n; i++) if (w[i] ~ /^[A-Za-z][A-Za-z0-9._+-]*$/) print w[i], file }')

# The programs the C++ tests start themselves.
used+=$'\n'$(grep -rhoE '(start|findExecutable|execute)\((QStringLiteral\()?"[A-Za-z][A-Za-z0-9._+-]*"|QStringList\{"setpriv"' \
  "$src/tests" "$src/bench" --include='*.cpp' --include='*.h' |
  sed -E 's/.*"([^"]+)"/\1 C++ tests/')

# The package a command on this machine comes from, or nothing.
package_of() {
  local path real candidate found
  path=$(command -v "$1") || return 0
  real=$(readlink -f "$path")
  # With the merged /usr, dpkg may know a command under /bin or /sbin instead.
  for candidate in "$path" "$real" "${path#/usr}" "${real#/usr}"; do
    found=$(dpkg-query -S "$candidate" 2>/dev/null | head -1 | cut -d: -f1 | cut -d, -f1)
    [ -n "$found" ] && { echo "$found"; return 0; }
  done
}
in_minimal_system() {
  case $(dpkg-query -W -f='${Priority}' "$1" 2>/dev/null) in required | important) return 0 ;; esac
  return 1
}

checked=" "
while read -r tool where; do
  [ -n "$tool" ] || continue
  [[ $checked == *" $tool "* ]] && continue
  checked+="$tool "
  where=${where#"$src/"}
  wanted=$(raskladka_tool_package "$tool")
  found=$(package_of "$tool")
  if [ -n "$wanted" ]; then
    [[ " $RASKLADKA_PACKAGES " == *" $wanted "* ]] || fail "$tool ($where): scripts/setup.sh does not install $wanted"
    # An alternative's command belongs to the package the named one depends on.
    [ -z "$found" ] || [ "$found" = "$wanted" ] ||
      [[ ", $(dpkg-query -W -f='${Depends}' "$wanted" 2>/dev/null)," == *[\ ,]"$found"[\ ,:]* ]] ||
      fail "$tool ($where): scripts/tools.sh says package $wanted, but it comes from $found"
  elif [ -z "$found" ]; then
    fail "$tool ($where): not installed here and not named in scripts/tools.sh"
  elif ! in_minimal_system "$found"; then
    fail "$tool ($where): Debian package $found, which scripts/tools.sh does not name"
  fi
done <<<"$used"

# A table entry nothing calls any more is set-up's dead weight.
while read -r tool package; do
  [ -n "$tool" ] || continue
  [[ $checked == *" $tool "* ]] || fail "scripts/tools.sh names $tool ($package), which nothing calls"
done <<<"$RASKLADKA_TOOLS"

if [ $failures -ne 0 ]; then echo "$failures failed"; exit 1; fi
echo "every command the tests and scripts call comes with set-up: $(wc -w <<<"$checked") commands"
