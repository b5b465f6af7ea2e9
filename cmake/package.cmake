# What an installation holds besides the programs, and how `cpack` packs it: a Debian package
# here, an NSIS installer and a zip for Windows.
set(CPACK_PACKAGE_NAME lumbrix)
set(CPACK_PACKAGE_VENDOR "Korvane, Inc.")
set(CPACK_PACKAGE_CONTACT "Korvane LIN support <${LUMBRIX_SUPPORT_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Intel HEX to download file converter for Tarvic551X microcontrollers")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # The README ends its lines as Windows editors expect.
  configure_file(packaging/windows/README.txt README.txt NEWLINE_STYLE WIN32)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION .)

  set(CPACK_GENERATOR NSIS ZIP)
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_file_names.cmake)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Lumbrix)
  set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/copyright)
  set(CPACK_NSIS_PACKAGE_NAME Lumbrix)
  set(CPACK_NSIS_DISPLAY_NAME "Lumbrix ${PROJECT_VERSION}")
  set(CPACK_NSIS_CONTACT ${LUMBRIX_SUPPORT_EMAIL})
  # A 64-bit build gets a 64-bit installer, which puts it into the 64-bit Program Files.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_NSIS_DEFINES "Target amd64-unicode")
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  endif()
  if(LUMBRIX_DIALOG)
    set(CPACK_PACKAGE_EXECUTABLES lumbrix_gui LumbrixW)
    set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\lumbrix_gui.exe")
    set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/dialog/win32/icon128.ico)
    set(CPACK_NSIS_MUI_UNIICON ${CPACK_NSIS_MUI_ICON})
  endif()
  include(CPack)
  return()
endif()

# Debian wants manual pages and the changelog compressed as far as gzip goes, with no time
# stamp, so that two builds give the same package.
function(compress_for_install source output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND gzip -9n -c ${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()

# Each page's file in docs/man, and the program it is installed for.
set(manual_files lumbrix lumbrix_inspect)
set(manual_pages lumbrix lumbrix_inspect)
if(LUMBRIX_DIALOG)
  list(APPEND manual_files lumbrix_gui)
  list(APPEND manual_pages lumbrix_gui)
endif()
# The changelog's latest entry is the release this package is.
file(STRINGS packaging/debian/changelog latest_entry LIMIT_COUNT 1)
if(NOT latest_entry MATCHES "^lumbrix \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/debian/changelog: the latest entry is not for "
                      "${PROJECT_VERSION}, the project's version: add one")
endif()
set(compressed ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
compress_for_install(${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/changelog
                     ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
# The pages' headers name the product's version.
foreach(page IN ZIP_LISTS manual_files manual_pages)
  set(page_file ${CMAKE_CURRENT_BINARY_DIR}/man/${page_1}.1)
  configure_file(docs/man/${page_0}.1 ${page_file} @ONLY)
  set(output ${page_file}.gz)
  compress_for_install(${page_file} ${output})
  install(FILES ${output} DESTINATION share/man/man1)
  list(APPEND compressed ${output})
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${compressed})
install(FILES packaging/debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz README.md
        DESTINATION share/doc/lumbrix)

set(CPACK_GENERATOR DEB)
# Debian's tools want the long description in lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Converts Intel HEX firmware images into .qvr download files, Type 4 or Type 6,\n\
from which the flash of a Tarvic551X part is programmed over LIN: the console\n\
program lumbrix, the dialog program lumbrix_gui and lumbrix_inspect, which\n\
checks a download file.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
