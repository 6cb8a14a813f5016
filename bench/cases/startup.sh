# 16 MiB, no hash, vs curl: the program's fixed cost (start, registration check, end)
case_startup() {
    header "16 MiB, no hash, $small_rounds rounds, seconds"
    one_file small.bin 16
    race startup "$small_rounds" 'same_file "$src" "$out/small.bin"' \
        "kiv=$(kiv_words) $(params_for "$url" | words)" \
        "curl=curl -s -o $out/small.bin $url"
    report startup curl kiv curl
    printf '  kiv - curl = %s ms (CPU %s ms)\n' "$(difference_ms "$(med startup kiv)" "$(med startup curl)")" \
        "$(difference_ms "$(med startup kiv.cpu)" "$(med startup curl.cpu)")"
}
