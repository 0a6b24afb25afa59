# The parts of TARNWELL_VERSION (major.minor) that the library, the DLL's resource, the
# package files and the tests are configured from:
#   TARNWELL_VERSION_MAJOR, TARNWELL_VERSION_MINOR  the two numbers (the SOVERSION is the major)
#   TARNWELL_VERSION_TEXT  major "." two-digit minor, as Windows and tarnwell_version() show it
if(NOT TARNWELL_VERSION MATCHES "^(0|[1-9][0-9]*)\\.(0|[1-9][0-9]*)$")
    message(FATAL_ERROR "TARNWELL_VERSION must be major.minor, not '${TARNWELL_VERSION}'")
endif()
set(TARNWELL_VERSION_MAJOR ${CMAKE_MATCH_1})
set(TARNWELL_VERSION_MINOR ${CMAKE_MATCH_2})
# Windows keeps each part of a file version in 16 bits; the text has room for two digits.
if(TARNWELL_VERSION_MAJOR GREATER 65535 OR TARNWELL_VERSION_MINOR GREATER 99)
    message(FATAL_ERROR "TARNWELL_VERSION: major at most 65535, minor at most 99")
endif()
if(TARNWELL_VERSION_MINOR LESS 10)
    set(TARNWELL_VERSION_TEXT "${TARNWELL_VERSION_MAJOR}.0${TARNWELL_VERSION_MINOR}")
else()
    set(TARNWELL_VERSION_TEXT "${TARNWELL_VERSION_MAJOR}.${TARNWELL_VERSION_MINOR}")
endif()
