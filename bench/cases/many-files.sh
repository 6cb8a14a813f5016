# 25, 100 and 255 files of 16 KiB from one page vs wget -q -i LIST; the time per file
# many_page N: a page of N files of 16 KiB and wget's list of the same.
many_page() {
    local n=$1 i
    mkdir -p "$work/www/many"
    {
        echo '<!DOCTYPE html><html><head><title>many</title></head><body>'
        echo '<object classid="clsid:7126E9C3-57EE-4EBA-A6AC-286C10450471">'
        echo "<param name=\"contentscount\" value=\"$n\">"
        for i in $(seq "$n"); do echo "<param name=\"curl$i\" value=\"$base/many/f$i.bin\">"; done
        echo '</object></body></html>'
    } >"$work/many-$n.html"
    for i in $(seq "$n"); do echo "$base/many/f$i.bin"; done >"$work/many-$n.list"
    for i in $(seq "$n"); do
        [ -f "$work/www/many/f$i.bin" ] || head -c 16384 /dev/urandom >"$work/www/many/f$i.bin"
    done
    chmod 755 "$work/www/many"
    chmod 644 "$work/www/many/"*
}

case_many-files() {
    header "files of 16 KiB from one page vs wget -q -i LIST, $rounds rounds, seconds"
    local n
    for n in 25 100 255; do
        many_page "$n"
        warm_files=("$work/www/many/"*)
        echo "  $n files:"
        race "many$n" "$rounds" 'same_file "$work/www/many/f$n.bin" "$out/f$n.bin"' \
            "kiv=$(kiv_words) $work/many-$n.html" \
            "wget=wget -q -P $out -i $work/many-$n.list"
        report "many$n" wget kiv wget
        printf '  per file: kiv %s ms, wget %s ms\n' \
            "$(divide "$(med "many$n" kiv)" "$n" %.6f | awk '{ printf "%.2f", $1 * 1000 }')" \
            "$(divide "$(med "many$n" wget)" "$n" %.6f | awk '{ printf "%.2f", $1 * 1000 }')"
    done
}
