# flite and the voices of Debian's libflite1 (flite1-dev), which ships no
# pkg-config file: Flite::Flite links the library, its US English language
# and lexicon, and each voice that FliteEngine registers.
find_path(FLITE_INCLUDE_DIR flite/flite.h)
set(_flite_parts
    flite_cmu_us_slt flite_cmu_us_rms flite_cmu_us_awb flite_cmu_us_kal16 flite_cmu_us_kal
    flite_usenglish flite_cmulex flite)
set(FLITE_LIBRARIES "")
set(_flite_missing "")
foreach(_part IN LISTS _flite_parts)
    string(TOUPPER "${_part}" _name)
    find_library(${_name}_LIBRARY ${_part})
    if(${_name}_LIBRARY)
        list(APPEND FLITE_LIBRARIES "${${_name}_LIBRARY}")
    else()
        list(APPEND _flite_missing ${_name}_LIBRARY)
    endif()
endforeach()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Flite
    REQUIRED_VARS FLITE_INCLUDE_DIR FLITE_LIBRARIES ${_flite_missing})

if(Flite_FOUND AND NOT TARGET Flite::Flite)
    add_library(Flite::Flite INTERFACE IMPORTED)
    set_target_properties(Flite::Flite PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES "${FLITE_INCLUDE_DIR}"
        INTERFACE_LINK_LIBRARIES "${FLITE_LIBRARIES};m")
endif()
