#!/usr/bin/env bash
# The real program on bad ground: a model texture that is missing, and a machine with no Vulkan driver at
# all. Each time it must stop during start-up with one last line on stderr saying what is wrong, and exit
# code 1 (not a crash, not a hang).
set -uo pipefail
engine=$1
run_folder=$(dirname "$engine")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

# expect_stop <name> <expected last stderr line> <command...>
expect_stop() {
  local name=$1 expected=$2
  shift 2
  (cd "$scratch" && timeout 60 "$@" >"$scratch/stdout" 2>"$scratch/stderr")
  local code=$?
  local last
  last=$(tail -n 1 "$scratch/stderr")
  if [[ $code -ne 1 || "$last" != "$expected" ]]; then
    echo "FAIL $name: exit code $code, last stderr line: $last"
    echo "     expected exit code 1 and: $expected"
    cat "$scratch/stderr"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

cp -r "$run_folder"/. "$scratch"/
rm "$scratch/blessing-1x.png"
expect_stop "missing texture" \
  "blessing-1x.png: cannot open the image: The system cannot find the file specified. (0x80070002)" \
  ./"$(basename "$engine")"

cp "$run_folder/blessing-1x.png" "$scratch"/
expect_stop "no Vulkan driver" "CreateDXGIFactory: no DXGI factory (0x887A0004)" \
  env VK_ICD_FILENAMES=/nonexistent/icd.json VK_DRIVER_FILES=/nonexistent/icd.json ./"$(basename "$engine")"

exit $((failures > 0))
