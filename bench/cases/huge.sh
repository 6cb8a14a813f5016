# 4 GiB, no hash, vs curl (skipped when the disk is short)
case_huge() {
    header "4 GiB, no hash, vs curl"
    local free
    free=$(df -P -k "$work" | awk 'NR == 2 { print int($4 / 1024 / 1024) }')
    if [ "$free" -lt 10 ]; then
        echo "  skipped: $free GiB free in $work, the case needs 10 (the file and one copy)"
        return
    fi
    local count=$(((rounds + 1) / 2))
    [ "$count" -ge 3 ] || count=3
    one_file huge.bin 4096
    echo "  $count rounds, seconds"
    race huge "$count" 'same_file "$src" "$out/huge.bin"' \
        "kiv=$(kiv_words) $(params_for "$url" | words)" \
        "curl=curl -s -o $out/huge.bin $url"
    report huge curl kiv curl
    rm -f "$src"
}
