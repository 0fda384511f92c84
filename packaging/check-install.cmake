# Installs the build into an empty prefix and checks what lands there: the
# executable, the desktop entry, the metainfo and the icon, and nothing else.
#
#   cmake -DBUILD_DIR=<build> -DPREFIX=<empty dir> -DAPP_ID=<id> -DEXECUTABLE=<name>
#         -DICON=<assets/icon.png> -DPRODUCT_NAME=<name> -DVERSION=<version>
#         -DLANGUAGE=<language> -P check-install.cmake

foreach(setting BUILD_DIR PREFIX APP_ID EXECUTABLE ICON PRODUCT_NAME VERSION LANGUAGE)
  if(NOT DEFINED ${setting})
    message(FATAL_ERROR "check-install: ${setting} is not given")
  endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE installResult OUTPUT_VARIABLE installOutput ERROR_VARIABLE installOutput)
if(NOT installResult EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${installResult}):\n${installOutput}")
endif()

set(desktopEntry "share/applications/${APP_ID}.desktop")
set(metainfo "share/metainfo/${APP_ID}.metainfo.xml")
set(icon "share/icons/hicolor/32x32/apps/${APP_ID}.png")
set(expected "bin/${EXECUTABLE}" "${desktopEntry}" "${icon}" "${metainfo}")
list(SORT expected)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
if(NOT installed STREQUAL expected)
  list(JOIN expected "\n  " expectedText)
  list(JOIN installed "\n  " installedText)
  message(FATAL_ERROR "Installed files differ.\nExpected:\n  ${expectedText}\nInstalled:\n  ${installedText}")
endif()

set(problems "")

execute_process(COMMAND test -x "${PREFIX}/bin/${EXECUTABLE}" RESULT_VARIABLE notExecutable)
if(notExecutable)
  string(APPEND problems "bin/${EXECUTABLE} is not executable\n")
endif()

# The desktop's icon is the window's: the same file the build embeds.
file(SHA256 "${ICON}" embeddedHash)
file(SHA256 "${PREFIX}/${icon}" installedHash)
if(NOT embeddedHash STREQUAL installedHash)
  string(APPEND problems "${icon} is not the window's icon ${ICON}\n")
endif()
# PNG: the width and height are the first two words of IHDR, at byte 16.
file(READ "${PREFIX}/${icon}" iconSize OFFSET 16 LIMIT 8 HEX)
if(NOT iconSize STREQUAL "0000002000000020")
  string(APPEND problems "${icon} is not 32 x 32 (IHDR size ${iconSize})\n")
endif()

file(STRINGS "${PREFIX}/${desktopEntry}" names REGEX "^Name=")
if(NOT names STREQUAL "Name=${PRODUCT_NAME}")
  string(APPEND problems "${desktopEntry}: expected Name=${PRODUCT_NAME}, found '${names}'\n")
endif()
file(STRINGS "${PREFIX}/${desktopEntry}" execs REGEX "^Exec=")
if(NOT execs STREQUAL "Exec=${EXECUTABLE}")
  string(APPEND problems "${desktopEntry}: expected Exec=${EXECUTABLE}, found '${execs}'\n")
endif()

file(READ "${PREFIX}/${metainfo}" metainfoText)
foreach(wanted "<id>${APP_ID}</id>" "<name>${PRODUCT_NAME}</name>" "<release version=\"${VERSION}\""
               "<lang>${LANGUAGE}</lang>" "<launchable type=\"desktop-id\">${APP_ID}.desktop</launchable>")
  string(FIND "${metainfoText}" "${wanted}" at)
  if(at EQUAL -1)
    string(APPEND problems "${metainfo} lacks ${wanted}\n")
  endif()
endforeach()

if(problems)
  message(FATAL_ERROR "${problems}")
endif()
message(STATUS "Installed as expected into ${PREFIX}")
