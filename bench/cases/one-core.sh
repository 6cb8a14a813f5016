# 1 GiB pinned to one CPU (taskset -c 1), kiv-downloader vs curl pinned the same
case_one-core() {
    header "1 GiB pinned to CPU 1 (taskset -c 1), $rounds rounds, seconds"
    one_file big.bin 1024
    race onecore "$rounds" 'same_file "$src" "$out/big.bin"' \
        "kiv=taskset -c 1 $(kiv_words) $(params_for "$url" | words)" \
        "curl=taskset -c 1 curl -s -o $out/big.bin $url"
    report onecore curl kiv curl
}
