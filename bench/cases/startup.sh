# 16 MiB, no hash, vs curl: the program's fixed cost (start, registration check, end)
case_startup() {
    header "16 MiB, no hash, $small_rounds rounds, seconds"
    local src url
    src=$(source_file small.bin 16)
    url=$base/small.bin
    warm_files=("$src")
    race startup "$small_rounds" 'same_file "$src" "$out/small.bin"' \
        "kiv=fetch_kiv $(params_for "$url" | words)" \
        "curl=curl -s -o $out/small.bin $url"
    report startup curl kiv curl
    printf '  kiv - curl = %s ms\n' \
        "$(awk -v a="$(med startup kiv)" -v b="$(med startup curl)" 'BEGIN { printf "%.1f", (a - b) * 1000 }')"
}
