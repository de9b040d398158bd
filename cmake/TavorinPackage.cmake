# The Debian package: `cpack -G DEB` in a build folder writes
# tavorin_VERSION_ARCH.deb of what `cmake --install` puts under /usr, with the
# dependencies dpkg-shlibdeps reads from the program's shared libraries.

# The manual page and the Debian changelog go in compressed, as Debian has
# them; tavorin_compressed_docs makes them (the program tests install them).
add_custom_target(tavorin_compressed_docs ALL)
function(tavorin_install_gzipped source name destination)
    set(plain ${CMAKE_CURRENT_BINARY_DIR}/${name})
    configure_file(${source} ${plain} @ONLY)
    add_custom_command(OUTPUT ${plain}.gz
        COMMAND gzip -9 -n -c ${plain} > ${plain}.gz
        DEPENDS ${plain} ${source}
        VERBATIM)
    target_sources(tavorin_compressed_docs PRIVATE ${plain}.gz)
    install(FILES ${plain}.gz DESTINATION ${destination})
endfunction()

set(TAVORIN_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tavorin)
tavorin_install_gzipped(${PROJECT_SOURCE_DIR}/resources/tavorin.1 tavorin.1 ${CMAKE_INSTALL_MANDIR}/man1)
tavorin_install_gzipped(${PROJECT_SOURCE_DIR}/resources/package/changelog changelog
    ${TAVORIN_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/package/copyright DESTINATION ${TAVORIN_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/completion/tavorin.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tavorin)
install(FILES ${PROJECT_SOURCE_DIR}/resources/completion/_tavorin
    DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavorin)
set(CPACK_PACKAGE_VENDOR "The Tavorin developers")
set(CPACK_PACKAGE_CONTACT "The Tavorin developers <developers@tavorin.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "text-to-speech editor that marks each word as it is spoken")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Type, paste or open a text, pick a voice and a speaking rate, and Tavorin
reads all of it, or the selection, aloud, marking each word in the editor as
it is spoken. Speech can be paused, continued and stopped at any moment, and
rendered into an audio file (AIFF, WAV, FLAC, Ogg Vorbis, Opus or MP3) with
the time of each word (WebVTT, SubRip or JSON), from the window or the
command line.
.
It speaks with the voices of espeak-ng and flite and with those of the
desktop's speech-dispatcher, and reads plain text, HTML, Markdown, PDF, EPUB,
OpenDocument, Word and FictionBook documents.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The desktop's voices need the server and its espeak-ng module; Qt's own
# texts (the standard buttons) in the window's language come from the Qt
# translations; scanned pages are read with Tesseract's English data at least.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "speech-dispatcher, speech-dispatcher-espeak-ng, qt6-translations-l10n, tesseract-ocr-eng")
include(CPack)
