#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tavorin
# need, when any is missing. Sourced by run.sh and test.sh.
tavorin_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libqt6opengl6-dev qt6-multimedia-dev qt6-tools-dev
    qt6-l10n-tools qt6-translations-l10n
    libespeak-ng-dev espeak-ng-data espeak-ng flite1-dev
    libsndfile1-dev libopusenc-dev libsamplerate0-dev libglib2.0-dev
    libpoppler-qt6-dev libarchive-dev libuchardet-dev libtesseract-dev tesseract-ocr-eng
    libspeechd-dev speech-dispatcher speech-dispatcher-espeak-ng
    libgtest-dev pulseaudio pulseaudio-utils xvfb xauth
    desktop-file-utils appstream dpkg-dev
    libtag1-dev libavformat-dev libavcodec-dev libavutil-dev libswresample-dev
)
# Only the tests need these: German and Chinese texts for the word marks, qpdf
# to encrypt the PDF documents they make, German OCR data for a scanned page,
# and what checks the Debian package (lintian, man, the shells whose
# completion it carries).
tavorin_test_packages=(fortunes-de fortunes-zh qpdf tesseract-ocr-deu lintian man-db
    bash-completion zsh)

tavorin_install_deps() {
    local missing=()
    local pkg
    for pkg in "${tavorin_packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}" >&2
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}
