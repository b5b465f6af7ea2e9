# `cpack` builds a Debian package of what `cmake --install` puts in place: both programs, the
# dialog program's desktop entry and its icon.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumbrix)
set(CPACK_PACKAGE_VENDOR "Korvane, Inc.")
set(CPACK_PACKAGE_CONTACT "Korvane LIN support <lin-support@korvane.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Intel HEX to download file converter for Tarvic551X microcontrollers")
set(CPACK_PACKAGE_DESCRIPTION
    "Converts Intel HEX firmware images into .qvr download files, Type 4 or Type 6, from which\n\
the flash of a Tarvic551X part is programmed over LIN: the console program lumbrix and\n\
the dialog program lumbrix_gui.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
