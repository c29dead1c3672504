# SPDX-License-Identifier: GPL-3.0-or-later
# A Debian package of the installed copy: `cpack -G DEB` in the build folder
# (see the README). It packages what the install rules put in place, under
# /usr, with the program's library dependencies worked out by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME chimepad)
set(CPACK_PACKAGE_VENDOR "Chimepad")
# The project has no mail address yet: the reserved .invalid domain says so
# plainly (lintian refuses localhost as a bogus host); the changelog and the
# copyright file name the same one.
set(CPACK_PACKAGE_CONTACT "Chimepad maintainers <maintainers@chimepad.invalid>")
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
# link. Every menu and every character of the text is Chinese: without a
# font that holds Chinese characters all of it shows as boxes, so a system
# installed without recommended packages needs one too.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6svg6 (>= ${Qt6_VERSION_MAJOR}.${Qt6_VERSION_MINOR}), fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
# Not linked, but wanted at run time: the Chinese texts of the standard
# dialogs and buttons, and a font that holds Chinese characters.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-translations-l10n, fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
# The system-information button of the about box starts one of these.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "hardinfo | kinfocenter")

# The documentation of the package, /usr/share/doc/chimepad: the licences of
# the program and of every data file in Debian's machine-readable format,
# written from its template once the data files exist (their first lines
# name what they were made from).
set(chimepad_pkg_dir ${CMAKE_BINARY_DIR}/packaging)
set(chimepad_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/chimepad)
set(chimepad_copyright ${chimepad_pkg_dir}/copyright)
add_custom_command(
  OUTPUT ${chimepad_copyright}
  COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${CMAKE_SOURCE_DIR}/resources/desktop/copyright.in
          -DPINYIN=${CHIMEPAD_BIN_DIR}/pinyin.txt -DWORDS=${CHIMEPAD_BIN_DIR}/words.txt
          -DOUTPUT=${chimepad_copyright} -P ${CMAKE_CURRENT_LIST_DIR}/FillCopyright.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/desktop/copyright.in ${CMAKE_CURRENT_LIST_DIR}/FillCopyright.cmake
          ${CMAKE_CURRENT_LIST_DIR}/expat-license.txt
          ${CHIMEPAD_BIN_DIR}/pinyin.txt ${CHIMEPAD_BIN_DIR}/words.txt
  COMMENT "Writing the package's copyright file"
  VERBATIM)
add_custom_target(chimepad_copyright ALL DEPENDS ${chimepad_copyright})
add_dependencies(chimepad_copyright pinyin_dictionary word_readings)
install(FILES ${chimepad_copyright} DESTINATION ${chimepad_doc_dir})
# The package's changelog, compressed as Debian keeps it; its newest entry
# is the version packaged (the package check compares them).
set(chimepad_changelog ${chimepad_pkg_dir}/changelog.gz)
add_custom_command(
  OUTPUT ${chimepad_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${chimepad_pkg_dir}
  COMMAND ${GZIP_EXECUTABLE} -9nc ${CMAKE_SOURCE_DIR}/resources/desktop/changelog > ${chimepad_changelog}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/desktop/changelog
  COMMENT "Compressing the package's changelog")
add_custom_target(chimepad_changelog ALL DEPENDS ${chimepad_changelog})
install(FILES ${chimepad_changelog} DESTINATION ${chimepad_doc_dir})

# The screenshot software centres show, taken from the real window under a
# virtual X server at build time (cmake/make_screenshot.sh). Without Xvfb,
# xdotool or ImageMagick (scripts/setup.sh installs them) the build leaves
# it out, says so, and the package check refuses the package.
find_program(XVFB_EXECUTABLE Xvfb)
find_program(XDOTOOL_EXECUTABLE xdotool)
find_program(IMAGEMAGICK_CONVERT convert)
find_program(IMAGEMAGICK_IMPORT import)
set(chimepad_screenshot ${chimepad_pkg_dir}/screenshots/main.png)
if(XVFB_EXECUTABLE AND XDOTOOL_EXECUTABLE AND IMAGEMAGICK_CONVERT AND IMAGEMAGICK_IMPORT)
  set(screenshot_text ${CMAKE_SOURCE_DIR}/resources/desktop/screenshot.txt)
  add_custom_command(
    OUTPUT ${chimepad_screenshot}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${chimepad_pkg_dir}/screenshots
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/make_screenshot.sh ${CMAKE_SOURCE_DIR} $<TARGET_FILE:chimepad>
            ${screenshot_text} ${chimepad_screenshot}
    DEPENDS chimepad ${screenshot_text} ${CMAKE_CURRENT_LIST_DIR}/make_screenshot.sh
            ${CMAKE_SOURCE_DIR}/tools/screenshot.sh
    COMMENT "Taking the screenshot of the window under Xvfb"
    VERBATIM)
  add_custom_target(chimepad_screenshot ALL DEPENDS ${chimepad_screenshot})
  install(FILES ${chimepad_screenshot} DESTINATION ${CMAKE_INSTALL_DATADIR}/chimepad/screenshots)
else()
  message(WARNING "Xvfb, xdotool or ImageMagick is missing: the package will have no screenshot")
endif()

include(CPack)
