# Fault injection for the show: what the scenarios share. Builds on the
# end-to-end harness (tests/e2e/show_lib.sh and lib/harness.sh) and takes the
# same inputs from CTest's environment (E2E_PROGRAM, E2E_ASSETS, ...).
# shellcheck source=../e2e/show_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/show_lib.sh"

FAULT_DECODER_CAPTION=",-.-.-.-.-.-."
FAULT_DECODER_TEXT="jotai ongelmii jpegin lataukses, debuggaa. kato ettet oo tallentanu jpegia progressivena."
FAULT_LOADER_CAPTION="khar bax"

# fault_huge_jpeg OUT: a baseline greyscale JPEG of 16384 x 16384 pixels,
# every block flat (one 0 bit for DC, one for the end of block), 1 MiB of
# entropy-coded zeros. Decodable by any baseline decoder with room for it.
fault_huge_jpeg() {
    {
        printf '\xff\xd8'
        printf '\xff\xdb\x00\x43\x00'
        head -c 64 /dev/zero | tr '\0' '\1'
        printf '\xff\xc0\x00\x0b\x08\x40\x00\x40\x00\x01\x01\x11\x00'
        printf '\xff\xc4\x00\x14\x00\x01'; head -c 15 /dev/zero; printf '\x00'
        printf '\xff\xc4\x00\x14\x10\x01'; head -c 15 /dev/zero; printf '\x00'
        printf '\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00'
        head -c 1048576 /dev/zero
        printf '\xff\xd9'
    } >"$1"
}

# fault_progressive_jpeg IN OUT: the same picture, progressive.
fault_progressive_jpeg() { djpeg -pnm "$1" | cjpeg -quality 90 -progressive >"$2"; }

# fault_expect_boxes CAPTION...: the boxes come one at a time in this order;
# each is closed with Return, and none is left over afterwards.
fault_expect_boxes() {
    local caption box i=0 captions=("$@")
    for caption in "${captions[@]}"; do
        i=$((i + 1))
        if ! box=$(e2e_wait_window "$caption" 30); then
            e2e_fail "box $i \"$caption\" did not come (windows up: $(e2e_window_names | paste -sd '|'))"
            return 1
        fi
        e2e_check "box $i \"$caption\" is alone" eval \
            '[ "$(e2e_window_names | grep -cxF -e "$FAULT_DECODER_CAPTION" -e "$FAULT_LOADER_CAPTION" -e "you fail")" = 1 ]'
        e2e_dismiss_box "$box"
        # The next box (possibly of the same caption) only after this one went.
        local gone=0 t
        for t in $(seq 1 100); do
            if ! e2e_find_window "$caption" | grep -qx "$box"; then gone=1; break; fi
            sleep 0.05
        done
        [ "$gone" = 1 ] || e2e_fail "box $i \"$caption\" did not close"
    done
}

# fault_no_more_boxes: no further box within a second of the show's window.
fault_no_more_boxes() {
    sleep 1
    e2e_check "no further box" eval \
        '! e2e_window_names | grep -qxF -e "$FAULT_DECODER_CAPTION" -e "$FAULT_LOADER_CAPTION" -e "you fail"'
}

# fault_end_with_escape: Escape ends the show with status 0.
fault_end_with_escape() {
    e2e_key "$SHOW_WINDOW" Escape
    if e2e_wait_exit 5; then
        e2e_check "ends with status 0" [ "$E2E_STATUS" = 0 ]
        e2e_check "no sanitizer or crash report" eval \
            '! grep -qE "runtime error|ERROR: AddressSanitizer|Segmentation|Aborted" "$E2E_TMP/program.log"'
    else
        e2e_fail "Escape did not end the show"
    fi
}
