# `cpack -G DEB` in the build folder makes rowsmith_<version>_amd64.deb; the
# library dependencies are read from the installed programs.
set(CPACK_PACKAGE_NAME rowsmith)
set(CPACK_PACKAGE_VENDOR "Rowsmith developers")
set(CPACK_PACKAGE_CONTACT "Rowsmith developers <rowsmith@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GEDCOM family files as a table of couples and single persons")
set(CPACK_PACKAGE_DESCRIPTION
  "Rowsmith turns a GEDCOM file into a table with one row per married couple\n\
or single person (39 columns: the man left, the woman right, the marriage\n\
between), shows it in a sortable grid and exports it as delimited text or\n\
as a spreadsheet workbook. rowsmith-convert does the same without a window.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")

include(CPack)
