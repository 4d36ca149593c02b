#!/usr/bin/env bash
# Peer conformance of unpack: archives made here by Info-ZIP zip and 7-Zip, split sets made by zip -s,
# and the third-party archives under shared/testdata are extracted by unpack and compared byte for byte
# with what unzip or 7z extract; unpack's listing must agree with unzip's on methods, sizes and CRCs.
#
# usage: peer_conformance.sh TESTDATA_DIR UNPACK [ARGUMENT...]
# (UNPACK with arguments runs the Windows build through Wine: wine-emulator.sh unpack.exe)
set -u
TESTDATA=$1/zip-peers
shift
UNPACK=("$@")
# The Windows build ends its lines with CR LF.
unpack() { "${UNPACK[@]}" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
WORK=$(mktemp -d /tmp/ts-peer-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
failures=0
checks=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { checks=$((checks + 1)); }

# Method names as unpack prints them, from unzip -lv's column.
unzip_method() {
  case $1 in
    Stored) echo stored ;; Shrunk) echo shrunk ;; Implode) echo imploded ;;
    Reduce[1-4]) echo "reduced${1#Reduce}" ;; Defl:*) echo deflated ;; Def64*) echo deflate64 ;;
    *) echo "$1" ;;
  esac
}

# Compares `unpack list` with `unzip -lv` on method, compressed size, size, CRC and name.
check_list() {
  local archive=$1 name=$2
  # unzip leaves the 12-byte encryption header out of the compressed size; unpack shows the stored field.
  unpack list "$archive" | awk '{ name=$6; for (i = 7; i <= NF; i++) name = name " " $i; print $1, ($5 == "E" ? $2 - 12 : $2), $3, $4, name }' \
    > "$WORK/ours.txt" || { fail "$name: unpack list failed"; return; }
  unzip -lv "$archive" 2>/dev/null | awk 'f && /^--------/ { exit } f { name=$8; for (i = 9; i <= NF; i++) name = name " " $i; print $2, $3, $1, $7, name } /^--------/ { f = 1 }' \
    | while read -r method csize usize crc rest; do echo "$(unzip_method "$method") $csize $usize $crc $rest"; done > "$WORK/theirs.txt"
  if diff -q "$WORK/ours.txt" "$WORK/theirs.txt" >/dev/null; then pass; else
    fail "$name: listing differs from unzip -lv"; diff "$WORK/ours.txt" "$WORK/theirs.txt" | head -5
  fi
}

# Extracts with unpack and with a peer command, then compares the two trees.
check_extract() {
  local name=$1 archive=$2 password=$3 peer=$4
  rm -rf "$WORK/ours" "$WORK/theirs"
  mkdir -p "$WORK/theirs"
  local args=(extract)
  [ -n "$password" ] && args+=(-p "$password")
  unpack "${args[@]}" "$archive" "$WORK/ours" 2> "$WORK/err.txt"
  local status=$?
  [ $status -eq 0 ] || { fail "$name: unpack extract exited $status: $(head -3 "$WORK/err.txt")"; return; }
  case $peer in
    unzip) if [ -n "$password" ]; then unzip -qq -P "$password" "$archive" -d "$WORK/theirs"; else unzip -qq "$archive" -d "$WORK/theirs"; fi ;;
    7z) 7z x -y -p"$password" -o"$WORK/theirs" "$archive" >/dev/null ;;
    *) cp -r "$peer/." "$WORK/theirs/" ;;
  esac
  # Empty directories stored in an archive are not created by unpack (only files are written).
  find "$WORK/theirs" -depth -type d -empty -delete 2>/dev/null
  mkdir -p "$WORK/theirs" "$WORK/ours"
  if diff -r "$WORK/ours" "$WORK/theirs" >/dev/null; then pass; else
    fail "$name: extracted files differ from $peer"; diff -rq "$WORK/ours" "$WORK/theirs" | head -5
  fi
}

check_test() {
  local name=$1 archive=$2 password=$3
  local args=(test)
  [ -n "$password" ] && args+=(-p "$password")
  if unpack "${args[@]}" "$archive" 2> "$WORK/err.txt"; then pass; else fail "$name: unpack test: $(head -3 "$WORK/err.txt")"; fi
}

# A source tree with text, binary, random, empty and extension-less files in nested folders.
SRC=$WORK/src
mkdir -p "$SRC/docs/deep/er" "$SRC/bin" "$SRC/empty-dir"
seq 1 30000 > "$SRC/numbers.txt"
head -c 300000 /dev/urandom > "$SRC/bin/random.bin"
cat /usr/bin/unzip /usr/bin/zip > "$SRC/bin/programs"
: > "$SRC/docs/empty.txt"
printf 'no extension\n' > "$SRC/docs/README"
for i in $(seq 1 40); do printf 'line %d of a text that repeats itself\n' "$i"; done > "$SRC/docs/deep/er/notes.TXT"
head -c 70000 /dev/zero > "$SRC/docs/zeros.dat"
PASSWORD='pluvermak_*&!'

# Info-ZIP: stored and deflated, with and without traditional encryption.
(cd "$SRC" && zip -qr -0 "$WORK/stored.zip" . && zip -qr "$WORK/deflated.zip" . \
  && zip -qr -0 -P "$PASSWORD" "$WORK/stored-enc.zip" . && zip -qr -P "$PASSWORD" "$WORK/deflated-enc.DAT" .)
for a in stored.zip deflated.zip; do check_extract "zip $a" "$WORK/$a" "" unzip; check_list "$WORK/$a" "zip $a"; done
for a in stored-enc.zip deflated-enc.DAT; do
  check_extract "zip -P $a" "$WORK/$a" "$PASSWORD" unzip
  check_list "$WORK/$a" "zip -P $a"
done

# 7-Zip: deflate64 with ZipCrypto.
(cd "$SRC" && 7z a -tzip -mm=Deflate64 -mem=ZipCrypto -p"$PASSWORD" "$WORK/d64.zip" . >/dev/null)
check_extract "7z deflate64" "$WORK/d64.zip" "$PASSWORD" 7z
check_list "$WORK/d64.zip" "7z deflate64"

# Split sets from zip -s, renamed to SETUP.DAT, SETUP.D01, ...: the directory often starts on an
# earlier volume than the end record. 7z reads the split set under its own names.
for size in 64k 200k; do
  rm -rf "$WORK/split" && mkdir -p "$WORK/split/renamed"
  (cd "$SRC" && zip -qr -s "$size" -P "$PASSWORD" "$WORK/split/set.zip" .)
  (cd "$WORK/split" && n=$(ls set.z[0-9]* | wc -l) \
    && cp set.z01 renamed/SETUP.DAT \
    && for i in $(seq 2 "$n"); do cp "$(printf 'set.z%02d' "$i")" "renamed/$(printf 'SETUP.D%02d' $((i - 1)))"; done \
    && cp set.zip "renamed/$(printf 'SETUP.D%02d' "$n")")
  rm -rf "$WORK/split-out" && 7z x -y -p"$PASSWORD" -o"$WORK/split-out" "$WORK/split/set.zip" >/dev/null
  check_extract "zip -s $size" "$WORK/split/renamed/SETUP.DAT" "$PASSWORD" "$WORK/split-out"
  check_test "zip -s $size" "$WORK/split/renamed/SETUP.DAT" "$PASSWORD"
done 2>/dev/null

# Third-party archives. Reduce cannot be extracted by unzip or 7z here: those are checked by their CRCs.
password_of() {
  case $1 in
    *traditional_encryption*) echo 12345678 ;; zipcrypto/*) echo password ;; *) echo "" ;;
  esac
}
while IFS= read -r archive; do
  rel=${archive#"$TESTDATA"/}
  pw=$(password_of "$rel")
  check_list "$archive" "$rel"
  if unzip -lv "$archive" 2>/dev/null | grep -q ' Reduce[1-4] '; then
    check_test "$rel" "$archive" "$pw"
  else
    check_extract "$rel" "$archive" "$pw" unzip
  fi
done < <(find "$TESTDATA" -iname '*.zip' | sort)

# The reduced archives hold the same files as PKZ204EX.ZIP: compare their bytes too.
rm -rf "$WORK/ref" && mkdir "$WORK/ref" && unzip -qq "$TESTDATA/pkzip-dos/PKZ204EX.ZIP" -d "$WORK/ref"
for b in 1 2 3 4; do check_extract "PKZ80B$b against PKZ204EX" "$TESTDATA/pkzip-dos/PKZ80B$b.ZIP" "" "$WORK/ref"; done

echo "peer conformance: $checks checks passed, $failures failed"
[ $failures -eq 0 ]
