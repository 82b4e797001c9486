#!/usr/bin/env bash
# What the compiler cannot check about the floors, over every source file in
# the tree, tracked by git or not (build folders aside):
#   - every header of a floor refuses to be included below it: it opens
#     with its floor's guard (#ifndef CREATURES_FLOOR_<NAME> / #error), which
#     the floor's library hands only to the targets that link it, so an
#     include that runs up a floor fails to compile however it is spelt;
#   - only the GUI folders (drawlib/gl/, ui/imgui/) and the window's tests
#     include GL, GLFW or Dear ImGui.
# Prints every offence and fails; prints one line and succeeds otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder:guard name, one per floor (see CMakeLists.txt).
floors="base:BASE drawlib:DRAWLIB drawlib/gl:DRAWLIB_GL creature:CREATURE ecology:ECOLOGY
persist:PERSIST run:RUN ui:UI ui/imgui:UI_IMGUI app:APP window:WINDOW mpi:MPI"

# Every C++ source of the tree, build output left out.
sources() {
  find . \( -path './build*' -o -path './.git' \) -prune -o -type f \( -name '*.h' -o -name '*.cpp' \) \
    -print | sed 's#^\./##' | sort
}

bad=0
for entry in $floors; do
  folder=${entry%%:*} name=${entry##*:}
  for header in "$folder"/*.h; do
    [ -e "$header" ] || continue
    if ! grep -q "^#ifndef CREATURES_FLOOR_${name}\$" "$header" ||
       ! grep -q "^#error \"${folder}/ is for ${folder}/ and the floors above it\"\$" "$header"; then
      echo "$header lacks the guard of its floor (CREATURES_FLOOR_${name})"
      bad=1
    fi
  done
done

# Folders with code that stand on no floor of their own.
known=" base drawlib drawlib/gl creature ecology persist run ui ui/imgui app window mpi main tests bench fuzz "
while IFS= read -r file; do
  top=${file%%/*}
  dir=$(dirname "$file")
  case "$known" in
    *" $dir "* | *" $top "*) ;;
    *) echo "$file is in no folder of a floor"; bad=1 ;;
  esac
  [ "$top" = "$file" ] && { echo "$file lies outside every folder"; bad=1; }
done < <(sources)

# GL, GLFW and ImGui only in the GUI folders and the window's tests.
while IFS= read -r file; do
  case "$file" in
    drawlib/gl/* | ui/imgui/* | tests/gui/*) continue ;;
  esac
  if grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(GL/|GLFW/|imgui|backends/imgui)' "$file"; then
    echo "$file is no GUI file but includes GL, GLFW or ImGui"
    bad=1
  fi
done < <(sources)

if [ "$bad" -ne 0 ]; then
  echo "layers: see above"
  exit 1
fi
echo "layers: every floor's headers carry its guard; GL, GLFW and ImGui only in the GUI folders"
