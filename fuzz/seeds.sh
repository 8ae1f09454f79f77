#!/usr/bin/env bash
# Gathers the seed inputs of every fuzz target into BUILD_DIR/seeds/<target>: the small inputs kept in
# fuzz/seeds, the registry files and hives of the shared corpus, and files the program itself writes
# from them (an information file, analysis files, change and result lists).
# Usage: fuzz/seeds.sh BUILD_DIR   (BUILD_DIR holds the fuzz build with kaven-reg and lorewright)
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"
shared="$(pwd)/../shared/corpus"
out="$build/seeds"
rm -rf "$out"
mkdir -p "$out"
for dir in fuzz/seeds/*/; do
    mkdir -p "$out/$(basename "$dir")"
    cp "$dir"* "$out/$(basename "$dir")/"
done

# Files no larger than a size limit, copied into a target's seeds.
copy_small() {
    local target="$1" limit="$2"
    shift 2
    mkdir -p "$out/$target"
    for f in "$@"; do
        [ -f "$f" ] && [ "$(stat -c %s "$f")" -le "$limit" ] && cp "$f" "$out/$target/"
    done
    return 0
}
copy_small fuzz_regfile 262144 "$shared"/reg/*.reg examples/beispiel.reg
copy_small fuzz_regfile_import 65536 "$shared"/reg/*.reg
copy_small fuzz_hive 524288 $(ls "$shared"/hives/* | grep -v -i '\.log')
copy_small fuzz_hivelog 1048576 $(ls "$shared"/hives/* | grep -i '\.log')

# The request stream of a client: a greeting, the root key, a key created and a value set and read there.
mkdir -p "$out/fuzz_remote"
hello='\x09\x00\x00\x00\x01\x52\x56\x41\x4b\x01\x00\x00\x00'
root='\x05\x00\x00\x00\x02\x01\x00\x00\x80'
create='\x17\x00\x00\x00\x04\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x41\x00\x3f\x00\x0f\x00'
set='\x1b\x00\x00\x00\x0b\x02\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x76\x00\x04\x00\x00\x00\x04\x00\x00\x00\x2a\x00\x00\x00'
query='\x0f\x00\x00\x00\x0a\x02\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x76\x00'
printf "$hello" >"$out/fuzz_remote/hello"
printf "$hello$root$create$set$query" >"$out/fuzz_remote/session"

# Markup: the paragraphs of the shipped information source and of the help texts, each behind the byte
# that chooses width and wrapping.
mkdir -p "$out/fuzz_markup"
n=0
for text in data/info/info.txt src/help/HelpTexts.txt; do
    while IFS= read -r line && [ "$n" -lt 200 ]; do
        case "$line" in *'<'*) printf 'P%s' "$line" >"$out/fuzz_markup/text$n"; n=$((n + 1)) ;; esac
    done <"$text"
done

# Files written by the program from the corpus, with its own tools in a store of their own.
tools="$build/src/app"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=0 XDG_DATA_HOME="$work"
if [ -x "$tools/lorewright" ]; then
    mkdir -p "$out/fuzz_infofile"
    "$tools/lorewright" build data/info/info.txt "$out/fuzz_infofile/info.rgf" >/dev/null 2>&1 || true
fi
if [ -x "$tools/kaven-reg" ]; then
    reg=("$tools/kaven-reg" --registry "$work/registry.db")
    mkdir -p "$out/fuzz_analysis" "$out/fuzz_compare" "$out/fuzz_changelist" "$out/fuzz_resultfile"
    # The first file makes the store and the snapshot the later ones are compared with.
    n=0
    for f in "$shared"/reg/atlas__*.reg; do
        [ -f "$f" ] && [ "$n" -lt 8 ] || continue
        name="$(basename "$f" .reg)"
        "${reg[@]}" import "$f" >/dev/null 2>&1 || true
        if [ "$n" = 0 ]; then
            "${reg[@]}" snapshot HKEY_CURRENT_USER "$work/before.rec" >/dev/null 2>&1 || true
        fi
        n=$((n + 1))
        "${reg[@]}" snapshot HKEY_CURRENT_USER "$out/fuzz_analysis/$name.rec" >/dev/null 2>&1 || true
        "${reg[@]}" compare "$work/before.rec" /o "$out/fuzz_changelist/$name.cbk" >/dev/null 2>&1 || true
        "${reg[@]}" search -- e /k /v /d /f HKEY_CURRENT_USER\\Software /o "$out/fuzz_resultfile/$name.slt" \
            >/dev/null 2>&1 || true
    done
    # Analysis files too large for the comparison's inputs stay with the reader only.
    copy_small fuzz_compare 65536 "$out"/fuzz_analysis/*.rec
fi
find "$out" -type f -size 0 -delete
