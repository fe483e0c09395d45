#!/usr/bin/env bash
# The house in floors: every #include "..." of the program runs from a floor to the same floor
# or a lower one, and no two modules (a header with its source) include each other.
# Prints each include that runs upward or round, and fails when there is one.
# Usage: bash tests/include_check.sh
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# The floors, top first. A module is a path without its ending; a folder ends with "/".
floors=(
    "app/main app/command_line app/startup" # the entry point, start-up, the main loop
    "game/game_loop screens/"               # the screens the main loop runs
    "input/ game/board store/"              # commands, the well and its pieces, the two files
    "app/game_ctx app/audio"                # the shared records, the audio library boundary
    "toolkit/" # SDL owners, display, drawing, clock, descriptors, paths, layout, header checks
)

# floor_of <path>: the number of the floor (0 on top) that holds the file; nothing when none.
floor_of() {
    local module=${1%.*} i entry
    for i in "${!floors[@]}"; do
        for entry in ${floors[$i]}; do
            if [[ "$entry" == */ && "$module" == "$entry"* ]] || [ "$module" = "$entry" ]; then
                echo "$i"
                return
            fi
        done
    done
}

bad=0
declare -A arrow=()
mapfile -t files < <(git ls-files --cached --others --exclude-standard 'app/*' 'input/*' \
    'game/*' 'screens/*' 'store/*' 'toolkit/*' | grep -E '\.(cpp|h)$')
for file in "${files[@]}"; do
    from=$(floor_of "$file")
    if [ -z "$from" ]; then
        echo "no floor for $file: name it in the list at the top of $0"
        bad=1
        continue
    fi
    while IFS= read -r inc; do
        to=$(floor_of "$inc")
        [ -z "$to" ] && continue # a header of the generator or the tests
        if [ "$to" -lt "$from" ]; then
            echo "upward: $file (floor $from) includes $inc (floor $to)"
            bad=1
        fi
        [ "${file%.*}" != "${inc%.*}" ] && arrow["${file%.*} ${inc%.*}"]=1
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done
for pair in "${!arrow[@]}"; do
    read -r a b <<<"$pair"
    if [ -n "${arrow["$b $a"]:-}" ] && [[ "$a" < "$b" ]]; then
        echo "round: $a and $b include each other"
        bad=1
    fi
done
if [ "$bad" != 0 ]; then
    echo "FAIL: includes must run downward (floors at the top of tests/include_check.sh)"
    exit 1
fi
echo "includes: ${#files[@]} files, every include runs downward"
