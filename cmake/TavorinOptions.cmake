# Every target of the project links tavorin_options: one place for the
# language level, warnings, Qt's strictness switches and sanitizers.
add_library(tavorin_options INTERFACE)
target_compile_features(tavorin_options INTERFACE cxx_std_20)
target_compile_definitions(tavorin_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_KEYWORDS
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER
    QT_DISABLE_DEPRECATED_UP_TO=0x060400)
target_compile_options(tavorin_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Woverloaded-virtual -Wimplicit-fallthrough)
if(TAVORIN_WERROR)
    target_compile_options(tavorin_options INTERFACE -Werror)
endif()
# The fuzz targets link libFuzzer themselves; everything they call is
# instrumented for coverage and checked by the sanitizers.
if(TAVORIN_FUZZ AND NOT TAVORIN_SANITIZE)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "TAVORIN_FUZZ needs clang (CXX=clang++-14)")
    endif()
    set(TAVORIN_SANITIZE "fuzzer-no-link;address;undefined")
endif()
if(TAVORIN_SANITIZE)
    list(JOIN TAVORIN_SANITIZE "," _tavorin_sanitizers)
    target_compile_options(tavorin_options INTERFACE
        -fsanitize=${_tavorin_sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(tavorin_options INTERFACE -fsanitize=${_tavorin_sanitizers})
    # The sanitizers' defaults that every program of the build carries.
    target_sources(tavorin_options INTERFACE
        $<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:${PROJECT_SOURCE_DIR}/cmake/SanitizerDefaults.cpp>)
endif()
# Otherwise the hardening Debian builds its packages with: checked buffer
# functions where the optimizer sees the sizes, a guard on stacks that hold
# arrays, and relocations resolved and made read-only before main.
if(NOT TAVORIN_SANITIZE)
    target_compile_options(tavorin_options INTERFACE -fstack-protector-strong
        $<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2>)
    target_link_options(tavorin_options INTERFACE -Wl,-z,relro -Wl,-z,now)
endif()

# A library of one folder of the source tree: its sources, the libraries it
# builds on, and the options above.
function(tavorin_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC tavorin_options ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
endfunction()
