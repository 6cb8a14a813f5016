# 1 GiB with its SHA-256: vs curl alone and vs curl + openssl dgst
case_hash() {
    header "1 GiB with its SHA-256, $rounds rounds, seconds"
    local hash
    one_file big.bin 1024
    hash=$(sha256sum "$src" | cut -d' ' -f1 | tr a-f A-F)
    race hash "$rounds" 'same_file "$src" "$out/big.bin"' \
        "kiv=$(kiv_words) $(params_for "$url" "$hash" | words)" \
        "curl=curl -s -o $out/big.bin $url" \
        "curl_openssl=sh -c 'curl -s -o $out/big.bin $url && openssl dgst -sha256 $out/big.bin'"
    report hash curl kiv curl curl_openssl
    printf '  curl_openssl / kiv = %s\n' "$(divide "$(med hash curl_openssl)" "$(med hash kiv)")"
}
