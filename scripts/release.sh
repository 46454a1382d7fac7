#!/usr/bin/env bash
# Builds a release of Velmora from this checkout: both bitnesses in release
# mode, then in dist/
#   Velmora-VERSION-x86.msi  the 32-bit OCX, per machine
#   Velmora-VERSION-x64.msi  both OCXs, each in its own folder and registry view
#   Velmora-VERSION.zip      both OCXs with their assembly manifests, for use
#                            without registration, and the documentation
#   SHA256SUMS               of the three
# VERSION is the project's version in CMakeLists.txt. With
# VELMORA_SIGN_PKCS12 naming a .p12/.pfx (password in VELMORA_SIGN_PASSWORD,
# timestamp server in VELMORA_SIGN_TIMESTAMP) the OCXs and the packages are
# signed and every signature is verified. Everything is made in a scratch
# folder: dist/ is replaced only when all of it succeeded.
# VELMORA_BUILD (default build/) and VELMORA_DIST (default dist/) move them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${VELMORA_BUILD:-$root/build}
dist=${VELMORA_DIST:-$root/dist}
jobs=${VELMORA_JOBS:-$(nproc)}
tool=$root/tools/release/velmora_package.py

die() { echo "release: $*" >&2; exit 1; }

for need in cmake python3 wixl sha256sum i686-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++-win32; do
  command -v "$need" >/dev/null || die "$need is missing (run scripts/setup.sh)"
done
version=$(sed -n 's/^project(Velmora VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || die "no project version in CMakeLists.txt"

mkdir -p "$(dirname "$dist")"
scratch=$(mktemp -d "$(dirname "$dist")/.release.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
stage=$scratch/stage
result=$scratch/dist
mkdir -p "$stage/x86" "$stage/x64" "$result"

# The signing key is read first: a wrong password stops the release before
# anything is built.
sign_key=${VELMORA_SIGN_PKCS12:-}
if [ -n "$sign_key" ]; then
  for need in osslsigncode openssl; do
    command -v "$need" >/dev/null || die "$need is missing (run scripts/setup.sh)"
  done
  [ -f "$sign_key" ] || die "VELMORA_SIGN_PKCS12: no file $sign_key"
  export VELMORA_SIGN_PASSWORD=${VELMORA_SIGN_PASSWORD:-}
  # Its certificates, and the system's authorities, are what the signatures
  # are verified against.
  openssl pkcs12 -in "$sign_key" -passin env:VELMORA_SIGN_PASSWORD -nokeys -out "$scratch/chain.pem" 2>/dev/null ||
    openssl pkcs12 -legacy -in "$sign_key" -passin env:VELMORA_SIGN_PASSWORD -nokeys -out "$scratch/chain.pem" \
      2>/dev/null ||
    die "cannot read $sign_key: wrong password (VELMORA_SIGN_PASSWORD) or not a PKCS#12 file"
  if [ -f /etc/ssl/certs/ca-certificates.crt ]; then cat /etc/ssl/certs/ca-certificates.crt >>"$scratch/chain.pem"; fi
  # The password reaches osslsigncode through a file, not its command line.
  (umask 077 && printf '%s' "$VELMORA_SIGN_PASSWORD" >"$scratch/password")
else
  echo "release: VELMORA_SIGN_PKCS12 is not set: building unsigned"
fi
sign() {  # sign <file>: signs it in place and verifies the signature
  [ -n "$sign_key" ] || return 0
  local file=$1 args=(-pkcs12 "$sign_key" -readpass "$scratch/password" -h sha256 -n Velmora)
  if [ -n "${VELMORA_SIGN_TIMESTAMP:-}" ]; then args+=(-ts "$VELMORA_SIGN_TIMESTAMP"); fi
  osslsigncode sign "${args[@]}" -in "$file" -out "$file.signed" >"$scratch/sign.log" 2>&1 ||
    die "signing $(basename "$file") failed: $(grep -v '^$' "$scratch/sign.log" | tail -n 1)"
  mv "$file.signed" "$file"
  osslsigncode verify -CAfile "$scratch/chain.pem" -in "$file" >"$scratch/sign.log" 2>&1 ||
    die "the signature of $(basename "$file") does not verify: $(grep -v '^$' "$scratch/sign.log" | tail -n 1)"
}

for arch in i686 x86_64; do
  build=$out/win32-$arch
  log=$out/release-$arch.log
  mkdir -p "$out"
  { cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
      -DCMAKE_BUILD_TYPE=MinSizeRel && cmake --build "$build" -j "$jobs" --target Velmora velmora_manifests; } \
    >"$log" 2>&1 || die "the $arch build failed (see $log)"
  folder=$stage/$([ "$arch" = i686 ] && echo x86 || echo x64)
  cp "$build/bin/Velmora.ocx" "$build/bin/Velmora.manifest" "$folder/"
  grep -q "version=\"$version.0\"" "$folder/Velmora.manifest" ||
    die "the $arch build's manifest is not of version $version.0 (a stale build folder?)"
  sign "$folder/Velmora.ocx"
done

typelib=$out/win32-i686/win32/generated/velmora.tlb
for arch in x86 x64; do
  msi=$result/Velmora-$version-$arch.msi
  python3 "$tool" msi "$typelib" "$arch" "$version" "$stage" "$msi" 2>"$scratch/wixl.log" ||
    die "$(tail -n 1 "$scratch/wixl.log")"
  sign "$msi"
done

# The zip: the two folders as they are deployed, and the notes.
cp "$root/docs/install.md" "$stage/install.md"
if [ -f "$root/docs/reference.md" ]; then cp "$root/docs/reference.md" "$stage/reference.md"; fi
(cd "$stage" && python3 - "$result/Velmora-$version.zip" <<'EOF'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for name in ["x86/Velmora.ocx", "x86/Velmora.manifest", "x64/Velmora.ocx", "x64/Velmora.manifest",
                 "install.md", "reference.md"]:
        if os.path.exists(name):
            z.write(name)
EOF
) || die "writing the zip failed"
(cd "$result" && sha256sum Velmora-"$version"-x86.msi Velmora-"$version"-x64.msi Velmora-"$version".zip >SHA256SUMS)

# dist/ is swapped whole.
if [ -e "$dist" ]; then mv "$dist" "$scratch/old"; fi
mv "$result" "$dist"
echo "release: $(cd "$dist" && echo *) in $dist"
