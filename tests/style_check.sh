#!/usr/bin/env bash
# The house style: every C++ file laid out as .clang-format says, every include of the program
# running down its floors, and the checks of .clang-tidy clean on the program and the data
# generator. The same verdict with clang-format and clang-tidy 14 (Debian 12) and 19 (Debian 13);
# each verdict names the version that gave it.
# Usage: bash tests/style_check.sh <build folder with compile_commands.json>
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build=$(cd "${1:?usage: style_check.sh <build folder>}" && pwd)

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run -Werror "${sources[@]}"; then
    echo "FAIL: the files above are not laid out as .clang-format says (clang-format -i <file>)"
    exit 1
fi
version_of() { "$1" --version | grep -o -m1 'version [0-9][0-9.]*' | cut -d' ' -f2; }
echo "format: ${#sources[@]} files as .clang-format says (clang-format $(version_of clang-format))"

bash tests/include_check.sh || exit 1

mapfile -t checked < <(git ls-files 'toolkit/*.cpp' 'app/*.cpp' 'input/*.cpp' 'game/*.cpp' \
    'screens/*.cpp' 'store/*.cpp' 'tools/*.cpp')
if ! printf '%s\0' "${checked[@]}" |
    xargs -0 -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>"$build/clang-tidy.log"; then
    grep -E 'error:|warning:' "$build/clang-tidy.log"
    echo "FAIL: clang-tidy (the findings above; all of them in $build/clang-tidy.log)"
    exit 1
fi
# A .clang-tidy that does not parse is said but does not change the exit code.
if grep -q 'Error parsing' "$build/clang-tidy.log"; then
    grep -m4 -B2 'Error parsing' "$build/clang-tidy.log"
    echo "FAIL: clang-tidy could not read .clang-tidy"
    exit 1
fi
echo "clang-tidy: ${#checked[@]} files clean (clang-tidy $(version_of clang-tidy))"
