#!/usr/bin/env bash
# Checks the decoder's objects for code that would fault on a processor without AVX:
#  - objects built without AVX2 flags must hold no VEX-encoded instruction (ymm, or v* on xmm);
#  - objects built with AVX2 flags must define no weak (COMDAT) symbol, since the linker may keep
#    that copy of an inline function for every caller, the baseline forms included.
# Usage: tools/check_isa_objects.sh [BUILD_DIR]   (default: build)
set -euo pipefail
build=${1:-build}
objects_dir="$build/src/decoder/CMakeFiles/yumekaze_decoder.dir"
if [[ ! -d "$objects_dir" ]]; then
  echo "check_isa_objects: no decoder objects under $objects_dir" >&2
  exit 1
fi
mapfile -t objects < <(find "$objects_dir" -name '*.o' | sort)
if [[ ${#objects[@]} -eq 0 ]]; then
  echo "check_isa_objects: no decoder objects under $objects_dir" >&2
  exit 1
fi
failed=0
for object in "${objects[@]}"; do
  if [[ "$object" == *_avx2.cpp.o ]]; then
    weak=$(nm -C --defined-only "$object" | awk '$2 ~ /^[WVu]$/' || true)
    if [[ -n "$weak" ]]; then
      echo "check_isa_objects: $object (AVX2) defines weak symbols another object may share:" >&2
      echo "$weak" >&2
      failed=1
    fi
  else
    vex=$(objdump -d --no-show-raw-insn "$object" |
      grep -E '%ymm|[[:space:]]v[a-z0-9]+[[:space:]].*%xmm' | head -5 || true)
    if [[ -n "$vex" ]]; then
      echo "check_isa_objects: $object (baseline) uses AVX instructions:" >&2
      echo "$vex" >&2
      failed=1
    fi
  fi
done
if [[ $failed -ne 0 ]]; then exit 1; fi
echo "check_isa_objects: ${#objects[@]} decoder objects clean"
