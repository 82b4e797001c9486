#!/usr/bin/env bash
# scripts/setup.sh against a pretend package database: which gnuplot it
# installs with and without a display, and that a second run installs and
# removes nothing. dpkg-query, apt-get and sudo are stand-ins on the PATH;
# apt-get's stand-in removes the other gnuplot variants as the real one
# does (they conflict).
set -euo pipefail
setup="$(cd "$(dirname "$0")/../.." && pwd)/scripts/setup.sh"
. "$(dirname "$0")/../support/script_test.sh"

mkdir bin
cat >bin/dpkg-query <<'STUB'
#!/usr/bin/env bash
# dpkg-query -W -f=FORMAT PACKAGE
p=${!#}
grep -qx "$p" "$STATE" && printf 'install ok installed' && exit 0
exit 1
STUB
cat >bin/apt-get <<'STUB'
#!/usr/bin/env bash
echo "apt-get $*" >>"$CALLS"
[ "$1" = install ] || exit 0
for p in "$@"; do
  case "$p" in
    -*) continue ;;
    install) continue ;;
    gnuplot-*) sed -i '/^gnuplot-/d' "$STATE"; echo "$p" >>"$STATE" ;;
    *) echo "$p" >>"$STATE" ;;
  esac
done
STUB
printf '#!/usr/bin/env bash\nexec "$@"\n' >bin/sudo
chmod +x bin/*

# Every other package the script wants, read from its own list.
sed -n '/^PACKAGES=(/,/^)/p' "$setup" | sed '1d;$d' | tr ' ' '\n' | sed '/^$/d' >base.txt
[ "$(wc -l <base.txt)" -gt 20 ] || fail "the package list was not read: $(cat base.txt)"

export CALLS="$PWD/calls.log" STATE="$PWD/state.txt"
# run DISPLAY: one run of the setup; prints the packages it asked apt to install.
run() {
  : >"$CALLS"
  DISPLAY=$1 WAYLAND_DISPLAY= PATH="$PWD/bin:$PATH" bash "$setup" >out.txt 2>&1 || fail "setup failed"
  sed -n 's/^apt-get install -y -qq --no-install-recommends //p' "$CALLS"
}

# case: gnuplot before | display | installed by the first run | gnuplot after
while IFS='|' read -r name before display first after; do
  { cat base.txt; [ -z "$before" ] || echo "$before"; } >"$STATE"
  got=$(run "$display")
  [ "$got" = "$first" ] || fail "$name: the first run installed '$got', not '$first'"
  [ "$(grep '^gnuplot-' "$STATE" | tr '\n' ' ')" = "$after " ] ||
    fail "$name: gnuplot after the first run: $(grep '^gnuplot-' "$STATE")"
  for again in 1 2; do
    [ -z "$(run "$display")" ] || fail "$name: run $((again + 1)) installed $(cat "$CALLS")"
    [ ! -s "$CALLS" ] || fail "$name: run $((again + 1)) called apt: $(cat "$CALLS")"
  done
  # Without a display afterwards nothing flips back either.
  [ -z "$(run "")" ] || fail "$name: a run without a display changed $(cat "$CALLS")"
done <<'CASES'
display replaces nox|gnuplot-nox|:1|gnuplot-x11|gnuplot-x11
display, none yet||:1|gnuplot-x11|gnuplot-x11
display keeps qt|gnuplot-qt|:1||gnuplot-qt
display keeps x11|gnuplot-x11|:1||gnuplot-x11
no display, none yet|||gnuplot-nox|gnuplot-nox
no display keeps x11|gnuplot-x11|||gnuplot-x11
CASES

# A missing package among the others is installed once, with nothing else.
{ grep -v '^cmake$' base.txt; echo gnuplot-x11; } >"$STATE"
[ "$(run :1)" = cmake ] || fail "a missing cmake: $(cat "$CALLS")"
[ -z "$(run :1)" ] || fail "cmake installed twice"
echo "setup: every case as expected"
