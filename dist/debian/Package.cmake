# The Debian package: vorlane_<version>_<arch>.deb with both programs and everything dist/
# installs, under /usr. Included from the top-level CMakeLists.txt, where CPack must be set up.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlane)
set(CPACK_PACKAGE_VENDOR Vorlane)
set(CPACK_PACKAGE_CONTACT "Vorlane maintainers <maintainers@vorlane.test>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://vorlane.test/)
# The libraries come from the binaries; the fonts are what the window asks fontconfig for: its
# Chinese texts need a CJK font, and "MS Sans Serif" is substituted by a Latin one.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei, fonts-liberation")
# A user who is not root gets the card through the desktop's disk service; desktops have it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS udisks2)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "write voice recordings to the SD cards of Vorlane playback devices
Vorlane programs the SD cards of Vorlane voice playback devices. The device
has no file system: it reads its two voice recordings (segments) straight from
fixed sectors of the card. Vorlane writes a WAV file for each segment byte for
byte to its place on the card, after proving with a test sector that the card
keeps what it is given.
.
This package holds the window (vorlane, in the applications menu) and the
command-line program vorlane-cli, which writes, verifies and reads cards from
scripts, several cards at once.")
# Debian's finishing steps on the staged files: see FinishPackage.cmake.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/FinishPackage.cmake)
include(CPack)
