#!/usr/bin/env bash
# Builds one package from a generated corpus (about 200 MB in a few thousand files) with
# setup-builder and the same corpus with makensis (zlib), and prints time, throughput, size and
# peak memory of both. Usage: bench/builder_bench.sh [SIZE_MB] [FILES]
set -euo pipefail
cd "$(dirname "$0")/.."
size_mb=${1:-200}
files=${2:-3000}

for p in nsis time; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || \
        { [[ $(id -u) -eq 0 ]] && apt-get install -y -qq "$p" >/dev/null || sudo apt-get install -y -qq "$p" >/dev/null; }
done
cmake --preset native >/dev/null && cmake --build --preset native --target setup-builder >/dev/null

work=$(mktemp -d /tmp/builder-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
echo "corpus: ${size_mb} MB in ${files} files under $work"
python3 bench/corpus.py "$work/files" "$size_mb" "$files"
corpus_bytes=$(du -sb "$work/files" | cut -f1)

echo 'int main(void){return 0;}' > "$work/stub.c"
i686-w64-mingw32-gcc-posix -Os -s "$work/stub.c" -o "$work/stub.exe"
python3 - "$work/logo.png" <<'PY'
import struct, sys, zlib
def chunk(t, d): return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d))
raw = b"".join(b"\x00" + b"\x20\x60\xc0\xff" * 32 for _ in range(32))
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 32, 32, 8, 6, 0, 0, 0))
                               + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
PY
cat > "$work/bench.xml" <<XML
<?xml version="1.0" encoding="utf-8"?>
<TSetupScript>
    <BaseInfo GUID="{6B0E2D1C-8F3A-4C5B-9D7E-1A2B3C4D5E6F}" AppTitleENG="Bench" Version="1.0.0.0" IconFile="logo.png" FullSetupFile="bench.exe"/>
    <FileList><Items><TSetupFile SourcePath="files" SourceMask="*" DestDir="{app}" IncludeSubPath="True"/></Items></FileList>
    <VarList><Items/></VarList>
</TSetupScript>
XML
cat > "$work/bench.nsi" <<NSI
SetCompressor zlib
OutFile "$work/nsis.exe"
InstallDir "\$PROGRAMFILES\\Bench"
RequestExecutionLevel admin
Section
  SetOutPath "\$INSTDIR"
  File /r "$work/files/*"
SectionEnd
NSI

measure() {  # label, command...: prints seconds and peak KB
    local label=$1; shift
    /usr/bin/time -f "%e %M" -o "$work/$label.time" "$@" >/dev/null 2>"$work/$label.err" || { cat "$work/$label.err"; exit 1; }
    read -r secs kb < "$work/$label.time"
    echo "$secs $kb"
}

jobs=$(nproc)
read -r lu_s lu_kb <<< "$(measure lusetup build/native/Builder/setup-builder build "$work/bench.xml" -o "$work/out" --stub "$work/stub.exe" -j "$jobs" --quiet)"
read -r lu1_s lu1_kb <<< "$(measure lusetup1 build/native/Builder/setup-builder build "$work/bench.xml" -o "$work/out1" --stub "$work/stub.exe" -j 1 --quiet)"
read -r ns_s ns_kb <<< "$(measure nsis makensis -V1 "$work/bench.nsi")"
lu_size=$(stat -c %s "$work/out/bench.exe")
ns_size=$(stat -c %s "$work/nsis.exe")

python3 - "$corpus_bytes" "$jobs" "$lu_s" "$lu_kb" "$lu1_s" "$lu1_kb" "$lu_size" "$ns_s" "$ns_kb" "$ns_size" <<'PY'
import sys
corpus, jobs = int(sys.argv[1]), int(sys.argv[2])
lu_s, lu_kb, lu1_s, lu1_kb, lu_size, ns_s, ns_kb, ns_size = map(float, sys.argv[3:])
mb = corpus / 1e6
print(f"corpus                 {mb:10.1f} MB")
print(f"setup-builder -j {jobs}     {lu_s:8.2f} s  {mb / lu_s:7.1f} MB/s  {lu_size / 1e6:8.1f} MB  peak {lu_kb / 1024:6.0f} MiB")
print(f"setup-builder -j 1      {lu1_s:8.2f} s  {mb / lu1_s:7.1f} MB/s  {lu_size / 1e6:8.1f} MB  peak {lu1_kb / 1024:6.0f} MiB")
print(f"makensis (zlib)        {ns_s:8.2f} s  {mb / ns_s:7.1f} MB/s  {ns_size / 1e6:8.1f} MB  peak {ns_kb / 1024:6.0f} MiB")
print(f"time ratio  setup-builder -j {jobs} / makensis: {lu_s / ns_s:.2f}   (-j 1: {lu1_s / ns_s:.2f})")
print(f"size ratio  setup-builder / makensis:       {lu_size / ns_size:.3f}")
PY
