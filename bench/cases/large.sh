# 1 GiB, no hash: kiv-downloader vs curl and wget
case_large() {
    header "1 GiB, no hash, $rounds rounds, seconds"
    one_file big.bin 1024
    race large "$rounds" 'same_file "$src" "$out/big.bin"' \
        "kiv=$(kiv_words) $(params_for "$url" | words)" \
        "curl=curl -s -o $out/big.bin $url" \
        "wget=wget -q -O $out/big.bin $url"
    report large curl kiv curl wget
}
