# The Debian package, built by CPack (scripts/package.sh). Its dependencies come from the
# shared libraries the program links, found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Varnex developers")
set(CPACK_PACKAGE_CONTACT "The Varnex developers <varnex@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch file renamer")
set(CPACK_PACKAGE_DESCRIPTION
  "Varnex renames many files at once: it replaces a text in the names, puts a text in front \
of them or after them, or converts their case, in a list of files or in a folder and its \
sub-folders. A rename never replaces an existing file and nothing is ever deleted.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/varnex/varnex")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (the standard buttons, the file dialogs) in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
