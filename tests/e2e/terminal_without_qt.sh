#!/usr/bin/env bash
# A run without a window maps no Qt: kiv-downloader and the assistant program
# load the window front end's library (and with it Qt, ICU, GL and glib) only
# to show a window. Neither program nor the control module links Qt, and a
# protected terminal run (both programs) and --help load none of it. The
# dynamic loader names every object it maps, linked or dlopen'd
# (LD_DEBUG=files), in one file per process. GnuTLS, which libcurl's RTMP and
# LDAP libraries bring in, does not set itself up at load: its look-up of
# the switch that skips that binds to the program (LD_DEBUG=bindings).
source "$(dirname "$0")/lib.sh"
bin=$(dirname "$program")
for binary in "$program" "$bin/kivdownloadcontrol" "$bin/kivdownloadcontrol.so"; do
    needed=$(readelf -d "$binary" | grep NEEDED) || fail "readelf could not read $binary"
    ! grep -q 'libQt' <<<"$needed" || fail "$binary links Qt: $(grep libQt <<<"$needed" | tr -s ' ')"
    # Crypto++ comes from its static archive: the shared library's tables
    # alone would cost every run megabytes.
    ! grep -q 'libcrypto++' <<<"$needed" || fail "$binary links the shared Crypto++"
done

head -c 200000 /dev/urandom >"$work/site/data.bin"
start_nginx
write_page "$work/page.html" contentscount=1 "curl1=$base/data.bin" \
    "hash1=$(hash_of "$work/site/data.bin")"
export LD_DEBUG=files LD_DEBUG_OUTPUT="$work/loader"
run_program 120 --protected --destination "$work/dest" --existing restart "$work/page.html"
"$program" --help >/dev/null || fail "--help failed"
unset LD_DEBUG LD_DEBUG_OUTPUT
expect_status 0 "a protected run in the terminal"
expect_same "$work/site/data.bin" "$work/dest/data.bin"

# The loader's account covers the run (its module and libcurl), the assistant
# program and --help: a library loaded there would show.
logs=("$work"/loader.*)
programs=$(grep -l "needed by $program \[0\]" "${logs[@]}" | wc -l)
[ "$programs" -eq 2 ] || fail "$programs accounts of kiv-downloader, expected 2 (the run, --help)"
grep -q 'calling init: .*/kivdownloadcontrol\.so$' "${logs[@]}" || fail "no account shows the module loaded"
grep -q 'needed by .*/kivdownloadcontrol \[0\]' "${logs[@]}" || fail "no account of the assistant program"
grep -q 'file=libcurl' "${logs[@]}" || fail "no account shows libcurl loaded"
if grep -h 'file=.*\(libQt\|kivwindowfrontend\)' "${logs[@]}" >"$work/qt"; then
    fail "Qt was loaded: $(head -3 "$work/qt")"
fi
LD_DEBUG=bindings LD_DEBUG_OUTPUT="$work/bindings" "$program" --help >/dev/null || fail "--help failed"
skip="libgnutls[^ ]* \\[0\\] to $program \\[0\\]: normal symbol \`_gnutls_global_init_skip'"
grep -q "$skip" "$work"/bindings.* ||
    fail "GnuTLS sets itself up at load: $(grep -h _gnutls_global_init_skip "$work"/bindings.* | head -1)"
echo "PASS"
