# The Debian package "folvane", built by CPack from the install rules:
#   cmake --build build && (cd build && cpack -G DEB)   (scripts/package.sh)
# Its dependencies are computed from the shared libraries the programs use.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME folvane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
set(CPACK_PACKAGE_VENDOR "Folvane developers")
set(CPACK_PACKAGE_CONTACT "Folvane developers <dev@folvane.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "typesetter for Chinese prose")
set(CPACK_PACKAGE_DESCRIPTION
    "Folvane tidies up Chinese articles copied from web pages and forums: it\n"
    "rebuilds the paragraphs (indentation, joined lines, blank lines between\n"
    "paragraphs), cleans the line ends, corrects punctuation and quotation\n"
    "marks, converts character widths and between simplified and traditional\n"
    "characters, and adds signatures with date templates.\n"
    "\n"
    "The package holds the desktop program folvane and folvane-cli, the same\n"
    "engine and text tools as a filter for scripts.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://folvane.example.com/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(FOLVANE_BUILD_GUI)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
endif()
include(CPack)
