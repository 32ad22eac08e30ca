# Sourced by everything that runs the Windows build under Wine (the tests and
# the benchmarks), so that they share one prefix and one way to hear sound.

# wine_prefix WINDOWS_BUILD_DIR: exports the build's own Wine prefix, made on
# first use: no Mono or Gecko prompts, unmanaged windows (there is no window
# manager).
wine_prefix() {
    export WINEPREFIX=$1/wineprefix WINEARCH=win32 WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        DISPLAY='' wine wineboot -i >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wineserver -w
    fi
}

# alsa_to_file HOME FILE: a home folder whose ALSA default device writes the
# raw samples into FILE, for a program run with HOME set to it.
alsa_to_file() {
    mkdir -p "$1"
    printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "%s"\n format "raw"\n}\n' \
        "$2" >"$1/.asoundrc"
}
