# The Debian package: only the install component tarvik (program, desktop entry, icon). Its runtime
# dependencies come from dpkg-shlibdeps on the program, so they follow what it really links.
set(CPACK_PACKAGE_NAME tarvik)
set(CPACK_PACKAGE_VENDOR "Tarvik")
set(CPACK_PACKAGE_CONTACT "Tarvik developers <tarvik@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Workbench for administering SQL Server databases through ODBC")
set(CPACK_PACKAGE_DESCRIPTION "A Qt desktop program that browses schemas, runs SQL and moves tables
between SQL Server (through unixODBC) and local Paradox and dBase files.")
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};tarvik;/")
set(CPACK_STRIP_FILES ON) # the debug information names the build tree
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_GENERATOR DEB)
include(CPack)
