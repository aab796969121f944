#!/usr/bin/env bash
# Tests of what scripts/package ships: names carrying the project's version, and
# signatures. A throwaway code-signing certificate is made on the fly; the programs
# and installers signed with it must verify against it, and one changed byte must
# fail the check. Prints PASS/FAIL lines and "package: N passed, M failed".
# usage: tests/package/run.sh   (builds the win32 preset through scripts/package)
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/package-tests.XXXXXX")
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
pass() { echo "PASS $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }
check() {  # name command...
  local name=$1; shift
  if "$@" >>"$work/log" 2>&1; then pass "$name"; else fail "$name" "see the log above"; tail -n 5 "$work/log"; fi
}
refuse() {  # name command...: the command must fail
  local name=$1; shift
  if "$@" >>"$work/log" 2>&1; then fail "$name" "it succeeded"; else pass "$name"; fi
}
finish() { echo "package: $passed passed, $failed failed"; [ "$failed" -eq 0 ]; exit; }

version=$(head -n 1 "$top/VERSION")
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1"; }
# one_byte_changed <file> <offset> <out>: a copy with the byte at <offset> inverted.
one_byte_changed() {
  cp "$1" "$3"
  local byte
  byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
  printf "$(printf '\\%03o' $((255 - byte)))" | dd of="$3" bs=1 seek="$2" conv=notrunc status=none
}

# The throwaway certificate: a self-signed code-signing certificate, a day long.
password=$(od -An -tx1 -N12 /dev/urandom | tr -d ' \n')
if ! openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Throwaway test signer" \
       -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" >>"$work/log" 2>&1 ||
   ! openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.p12" \
       -passout "pass:$password" >>"$work/log" 2>&1; then
  fail "a throwaway certificate is made" "$(tail -n 3 "$work/log")"
  finish
fi

# Unsigned first: no certificate named, nothing signed.
if PACKAGE_DIR=$work/plain bash "$top/scripts/package" >>"$work/log" 2>&1; then
  pass "scripts/package without a certificate"
  check "unsigned: the zip is named with version $version" test -f "$work/plain/Tiltmate-Viewmate-$version.zip"
  refuse "unsigned: the installer carries no signature" verify "$work/plain/Tiltmate-$version.msi"
else
  fail "scripts/package without a certificate" "$(tail -n 5 "$work/log")"
fi

out=$work/signed
if ! PACKAGE_DIR=$out CODESIGN_PKCS12=$work/signer.p12 CODESIGN_PASSWORD=$password \
     bash "$top/scripts/package" >>"$work/log" 2>&1; then
  fail "scripts/package with a certificate" "$(tail -n 5 "$work/log")"
  finish
fi
pass "scripts/package with a certificate"
mkdir -p "$out/unzipped"
check "the zip holds both programs" unzip -q "$out/Tiltmate-Viewmate-$version.zip" Tiltmate.exe Viewmate.exe -d "$out/unzipped"
for file in "$out/unzipped/Tiltmate.exe" "$out/unzipped/Viewmate.exe" "$out/Tiltmate-$version.msi" \
            "$out/Viewmate-$version.msi"; do
  name=$(basename "$file")
  [ -f "$file" ] || { fail "$name: signed" "missing"; continue; }
  check "$name: the signature verifies against the throwaway certificate" verify "$file"
  # A byte the signature covers: the middle of a program; in an installer, a byte of
  # its string pool, which names the manufacturer.
  case "$name" in
    *.exe) offset=$(($(stat -c %s "$file") / 2)) ;;
    *.msi) offset=$(LC_ALL=C grep -a -b -o "Tavrin PC Camera Console" "$file" | head -n 1 | cut -d: -f1) ;;
  esac
  one_byte_changed "$file" "${offset:-0}" "$work/changed-$name"
  if verify "$work/changed-$name" >"$work/changed.log" 2>&1; then
    fail "$name: one changed byte fails the check" "it verified"
  elif grep -q -i "mismatch" "$work/changed.log"; then
    pass "$name: one changed byte fails the check (digest mismatch)"
  else
    fail "$name: one changed byte fails the check" "it failed for another reason: $(tail -n 2 "$work/changed.log")"
  fi
done
# The programs' version resource carries the same version.
# (Its texts are UTF-16: without the zero bytes the key runs into its value.)
if [ "$(LC_ALL=C tr -d '\000' <"$out/unzipped/Tiltmate.exe" | LC_ALL=C grep -a -c "FileVersion$version")" -gt 0 ]; then
  pass "Tiltmate.exe: the version resource says $version"
else
  fail "Tiltmate.exe: the version resource says $version" "no UTF-16 \"$version\" in the program"
fi

# A wrong password: the file is left as it was and the script says so.
cp "$work/plain/Tiltmate-$version.msi" "$work/wrong.msi"
refuse "a wrong password fails the signing" env CODESIGN_PKCS12="$work/signer.p12" CODESIGN_PASSWORD=wrong \
  bash "$top/scripts/sign" "$work/wrong.msi"
check "... and leaves the file as it was" cmp -s "$work/wrong.msi" "$work/plain/Tiltmate-$version.msi"
finish
