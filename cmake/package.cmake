# The download for Windows users: tarvolin-<version>-win64.zip with the
# program, the README (and its two pictures) and a short guide in Russian.
#   cmake --workflow --preset windows-zip
# (or, after the Windows build: cpack --preset windows). The zip and its
# SHA-256 sum land in the build folder.
if(NOT WIN32 OR NOT TARGET tarvolin)
  return()
endif()

install(TARGETS tarvolin RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/docs/main-window.png
              ${PROJECT_SOURCE_DIR}/docs/main-window-150.png DESTINATION docs)

# The guide as Windows' Notepad reads it best: CR LF, with a UTF-8 byte order
# mark (string(ASCII) takes any byte value).
set(TV_HOWTO ${PROJECT_SOURCE_DIR}/docs/howto-ru.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TV_HOWTO})
file(READ ${TV_HOWTO} TV_HOWTO_TEXT)
string(ASCII 239 187 191 TV_UTF8_BOM)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/package/howto-ru.txt
     CONTENT "${TV_UTF8_BOM}${TV_HOWTO_TEXT}" @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/package/howto-ru.txt DESTINATION .)

# A zip is made only of an exe that needs no DLL beyond Windows' own.
install(CODE "set(TV_OBJDUMP \"${CMAKE_OBJDUMP}\")")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/check_imports.cmake)

# Packaging needs tarvolin.exe alone (the workflow's build step), not the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tarvolin)
set(CPACK_PACKAGE_VENDOR Tarvolin)
set(CPACK_PACKAGE_FILE_NAME tarvolin-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)
include(CPack)
