#!/usr/bin/env bash
# Fails on an include that goes up a layer. Each folder of media/, platform/ and game/ may include
# its own headers and the public headers of the folders its row below names; a header named
# *_internal.h belongs to its folder alone. The README's developer section shows the same table.
set -euo pipefail
cd "$(dirname "$0")/.."

PLATFORM_INTERFACES="platform/kernel platform/com platform/window platform/gdi platform/ddraw platform/d3d platform/acm platform/dinput platform/net platform/dsound platform/mci platform/media"
declare -A MAY_INCLUDE=(
  [media/core]="$PLATFORM_INTERFACES"
  [media/pixels]="media/core $PLATFORM_INTERFACES"
  [media/software]="media/core media/pixels $PLATFORM_INTERFACES"
  [media/display]="media/core media/pixels media/software $PLATFORM_INTERFACES"
  [media/graphics/picture_io]="media/core media/pixels media/software media/display $PLATFORM_INTERFACES"
  [media/graphics/graphs]="media/core media/pixels media/software media/display media/graphics/picture_io $PLATFORM_INTERFACES"
  [media/graphics/drawing]="media/core media/pixels media/software media/display media/graphics/picture_io media/graphics/graphs $PLATFORM_INTERFACES"
  [media/graphics/screens]="media/core media/pixels media/software media/display media/graphics/picture_io media/graphics/graphs media/graphics/drawing $PLATFORM_INTERFACES"
  [media/graphics/text]="media/core media/pixels media/software media/display media/graphics/picture_io media/graphics/graphs media/graphics/drawing media/graphics/screens $PLATFORM_INTERFACES"
  [media/graphics/manager]="media/core media/pixels media/software media/display media/graphics/picture_io media/graphics/graphs media/graphics/drawing media/graphics/screens media/graphics/text $PLATFORM_INTERFACES"
  [media/sound_input]="media/core media/pixels media/software media/display $PLATFORM_INTERFACES"
  [media/library]="media/core media/pixels media/software media/display media/graphics/picture_io media/graphics/graphs media/graphics/drawing media/graphics/screens media/graphics/text media/graphics/manager media/sound_input $PLATFORM_INTERFACES"
  [platform/host]=""
  [platform/kernel]=""
  [platform/com]="platform/kernel"
  [platform/window]="platform/kernel platform/host"
  [platform/gdi]="platform/kernel platform/host platform/window platform/ddraw platform/d3d"
  [platform/ddraw]="platform/kernel platform/host platform/window platform/gdi platform/d3d"
  [platform/d3d]="platform/kernel platform/host platform/window platform/gdi platform/ddraw"
  [platform/acm]="platform/kernel"
  [platform/dinput]="platform/kernel platform/host platform/window platform/ddraw"
  [platform/net]="platform/kernel platform/window"
  [platform/dsound]="platform/kernel platform/host platform/window platform/ddraw platform/acm"
  [platform/mci]="platform/kernel platform/host platform/window platform/ddraw platform/dsound"
  [platform/media]="platform/kernel platform/host platform/window platform/ddraw platform/dsound"
  [platform]="platform/kernel platform/host platform/window platform/com platform/gdi platform/ddraw platform/d3d platform/acm platform/dinput platform/net platform/dsound platform/mci platform/media"
  [game/battle/data]=""
  [game/battle/world]="game/battle/data"
  [game/battle/combat]="game/battle/data game/battle/world"
  [game/battle/actors]="game/battle/data game/battle/world game/battle/combat"
  [game/battle/mission]="game/battle/data game/battle/world game/battle/combat game/battle/actors"
)
# Folders of game/ not in the table may include anything but platform/; the battle's rooms include
# media, the public header and the rooms their row names.

# Includes of another folder's internals that the platform's interface work is taking out; each
# line goes with its include (a line whose include is gone is reported).
PENDING_INTERNAL=()
declare -A pending_seen=()

failures=0
fail() {
  echo "$1: $2" >&2
  failures=$((failures + 1))
}

# One grep reads every include line of the tree as "file:line".
check_include() {
  local file=$1 folder=$2 line=$3
  local included target
  included=${line#*\"}
  included=${included%%\"*}
  target=${included%/*}
  [ "$target" = "$folder" ] && return 0
  case "$included" in media/* | platform/* | game/*) ;; *) return 0 ;; esac
  if [[ "$included" == *_internal.h ]]; then
    if [[ " ${PENDING_INTERNAL[*]/%/ |} " == *" $file $included |"* ]]; then
      pending_seen["$file $included"]=1
      return 0
    fi
    fail "$file" "includes $included, the internal header of another folder"
    return 0
  fi
  if [[ "$folder" == game/* ]]; then
    [[ "$included" == platform/* ]] && fail "$file" "includes $included: the game never reaches the platform"
    if [[ "$included" == game/* && -n "${MAY_INCLUDE[$folder]+set}" && " ${MAY_INCLUDE[$folder]} " != *" $target "* ]]; then
      fail "$file" "includes $included: $folder may not include $target"
    fi
    return 0
  fi
  if [[ " ${MAY_INCLUDE[$folder]} " != *" $target "* ]]; then
    fail "$file" "includes $included: $folder may not include $target"
  fi
}

mapfile -t sources < <(git ls-files --cached --others --exclude-standard -- 'media/*' 'platform/*' 'game/*' | grep -E '\.(h|cpp)$')
declare -A unplaced=()
for file in "${sources[@]}"; do
  folder=${file%/*}
  if [[ ( "$folder" != game/* || "$folder" == game/battle* ) && -z "${MAY_INCLUDE[$folder]+set}" ]]; then
    fail "$file" "$folder has no row in the layer table of scripts/check_layers.sh"
    unplaced["$file"]=1
  fi
done
while IFS= read -r match; do
  file=${match%%:*}
  [ -n "${unplaced[$file]+set}" ] && continue
  check_include "$file" "${file%/*}" "${match#*:}"
done < <(grep -HE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"' "${sources[@]}" || true)

for pending in "${PENDING_INTERNAL[@]}"; do
  [ -n "${pending_seen[$pending]+set}" ] || echo "check_layers: no longer needed, remove from PENDING_INTERNAL: $pending" >&2
done

if [ "$failures" -ne 0 ]; then
  echo "check_layers: $failures include(s) against the layer table" >&2
  exit 1
fi
echo "check_layers: every include goes down a layer"
