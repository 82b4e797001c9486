# What the tests that drive scripts and the program from the shell share;
# sourced after they have taken their arguments and paths. Makes a working
# folder and goes there (removed at the end; KEEP=1 keeps it for a look),
# and gives:
#   fail MESSAGE   prints it and the run's output (out.txt) when there is
#                  one, exits 1
tmp=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] && echo "kept $tmp" || rm -rf "$tmp"' EXIT
cd "$tmp"
fail() { echo "FAIL: $*" >&2; cat out.txt >&2 2>/dev/null || true; exit 1; }
