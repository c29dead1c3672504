# A Debian package of the installed copy: `cpack -G DEB` in the build folder
# (see the README). It packages what the install rules put in place, under
# /usr, with the program's library dependencies worked out by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME chimepad)
set(CPACK_PACKAGE_VENDOR "Chimepad")
set(CPACK_PACKAGE_CONTACT "Chimepad maintainers <chimepad@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Chinese plain-text editor that reads its text aloud")
set(CPACK_PACKAGE_DESCRIPTION
    "妙音朗读器 (Chimepad) is a single-window Chinese plain-text editor that reads
its text aloud: from the caret, one character per step, the character being
read shown selected. Chinese characters are turned into toned pinyin and
played from recorded syllable sounds. It opens, saves and prints GBK text
files, and has undo, find and replace, font and background colour, and
password encryption of the whole text. The interface is in Simplified
Chinese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The icons are SVG, drawn by Qt's SVG plugins, which the program does not
# link.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6 (>= ${Qt6_VERSION_MAJOR}.${Qt6_VERSION_MINOR})")
# Not linked, but wanted at run time: the Chinese texts of the standard
# dialogs and buttons, and a font that holds Chinese characters.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-translations-l10n, fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
# The system-information button of the about box starts one of these.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "hardinfo | kinfocenter")

include(CPack)
