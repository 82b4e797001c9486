#!/usr/bin/env bash
# Checks that the includes of the program's own code run one way, and that
# only the GUI files include GL, GLFW or Dear ImGui. Prints every offending
# include and fails; prints one line and succeeds otherwise.
#
# The floors, from the ground up (a file may include its own floor and the
# floors below it):
#   0 app/base/, drawlib/ (the drawing interface and its geometry)
#   1 creature/      2 ecology/      3 persist/      4 ui/
#   5 drawlib/gl/, ui/imgui/ (the two GUI sides)
#   6 app/ (arena, physics world, step driver, frame callback, scene)
#   7 app/ runners (options, program, program_run, headless_run,
#     windowed_run, run_outputs, main): included by nobody below them.
set -euo pipefail
cd "$(dirname "$0")/.."

runners=" app/options app/setting_overrides app/program app/program_run app/headless_run app/windowed_run app/run_outputs app/main "

floor() {
  local f="${1%.*}"
  case "$f" in
    app/base/*) echo 0 ;;
    drawlib/gl/* | ui/imgui/*) echo 5 ;;
    drawlib/*) echo 0 ;;
    creature/*) echo 1 ;;
    ecology/*) echo 2 ;;
    persist/*) echo 3 ;;
    ui/*) echo 4 ;;
    app/*) if [[ "$runners" == *" $f "* ]]; then echo 7; else echo 6; fi ;;
    *) echo 99 ;;
  esac
}

bad=0
while IFS= read -r file; do
  own=$(floor "$file")
  while IFS= read -r line; do
    inc=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' <<<"$line")
    [ -n "$inc" ] || continue
    [ -f "$inc" ] || continue
    theirs=$(floor "$inc")
    if [ "$theirs" -gt "$own" ]; then
      echo "$file includes $inc, which stands above it"
      bad=1
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include' "$file")
done < <(git ls-files -- app creature ecology persist ui drawlib | grep -E '\.(h|cpp)$')

# GL, GLFW and ImGui only in the GUI files (and the tests of the window).
while IFS= read -r hit; do
  case "${hit%%:*}" in
    drawlib/gl/* | ui/imgui/* | tests/gui/*) ;;
    *) echo "${hit%%:*} is no GUI file but includes ${hit#*:}"; bad=1 ;;
  esac
done < <(git grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(GL/|GLFW/|imgui|backends/imgui)' \
  -- '*.h' '*.cpp' | sed -E 's/^([^:]*):[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*/\1:/')

if [ "$bad" -ne 0 ]; then
  echo "layers: includes run the wrong way (see above)"
  exit 1
fi
echo "layers: every include runs down; GL, GLFW and ImGui only in the GUI files"
