# The Debian package: `make package` (cpack -G DEB in the build folder).
# Installed layout: vorn and vorn-proxy in /usr/bin, the hosts helper in
# /usr/libexec/vorn, the charts and sound modules (loaded on first use) in
# /usr/lib/vorn/modules, the desktop entry, metainfo, icon and manual pages under
# /usr/share (the translations in /usr/share/vorn/translations), the sample
# proxy configuration and unit in /usr/share/doc/vorn.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vorn developers")
set(CPACK_PACKAGE_CONTACT "The Vorn developers <vorn-dev@vorn.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plan one working day with a boss that pushes you through it")
# Lines of at most 80 characters, as Debian's tools show them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Vorn is a desktop planner for one working day. Paste a numbered, indented"
  "list and Vorn turns it into an outline of folders and tasks, gives every"
  "task minutes and lays the open tasks end to end from a start time, so that"
  "every task has a finish time."
  "."
  "Beside the list stands Vorn, a boss persona that comments on every"
  "completion, grows impatient when a task runs over its time and can block"
  "distracting websites while it is in a dark mood. Words and voice come from"
  "the bundled vorn-proxy, which works offline and can also pass requests on"
  "to an OpenAI-compatible server.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/vorn/vorn")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window-system and picture plugins come with these libraries' packages,
# which dpkg-shlibdeps finds through the libraries themselves.
# Qt's own translations: the standard buttons and the command line's help.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "espeak-ng, lame, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "sudo, pkexec")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# Folders the system owns are not the package's to create.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
