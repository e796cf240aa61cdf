# The Debian package: cpack in a build tree configured for /usr (scripts/package does it all).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME chronolin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT
    "Chronolin maintainers <maintainers@users.noreply.c-seed-742c8244.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "counts the time spent on dial-up connections")
# The extended description; cpack indents it and marks the empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Chronolin follows the connection of one phonebook entry once a second and
counts how long it stays up, from a chosen start event plus a delay. It keeps
a monthly total per entry, journals every connection, starts chosen
applications when the line is up and closes them when it falls, and exports a
month of the journal to a spreadsheet workbook.

A small strip above every window and a tray icon show the month's total and
the running connection. It watches NetworkManager, pppd peers or a simulated
line driven by chronolin-ras. Its texts are in French.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies from the binaries themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs and buttons speak French only with its translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build/;/\\\\.git/")
include(CPack)
