# kivtool digest vs openssl dgst -sha256 on a cached 1 GiB file
case_digest() {
    header "SHA-256 of a cached 1 GiB file, $rounds rounds, seconds"
    local src
    src=$(source_file big.bin 1024)
    warm_files=("$src")
    [ "$("$kivtool" digest "$src" | tr 'A-F' 'a-f')" = "$(sha256sum "$src" | cut -d' ' -f1)" ] ||
        { echo "compare.sh: kivtool digest disagrees with sha256sum" >&2; exit 1; }
    race digest "$rounds" "" \
        "kivtool=$kivtool digest $src" \
        "openssl=openssl dgst -sha256 $src"
    report digest openssl kivtool openssl
}
