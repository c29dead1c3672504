// SPDX-License-Identifier: GPL-3.0-or-later
// Compiled with the include paths of one folder's library (tests/CMakeLists):
// the folder itself and those its library links are visible, every other
// folder is not. SEES_<folder> is 1 or 0 accordingly.
#if __has_include("platform/timer.h") != SEES_platform
#error "platform/ is visible when it should not be, or hidden when it should be"
#endif
#if __has_include("program/program.h") != SEES_program
#error "program/ is visible when it should not be, or hidden when it should be"
#endif
#if __has_include("editing/edit_commands.h") != SEES_editing
#error "editing/ is visible when it should not be, or hidden when it should be"
#endif
#if __has_include("reading/speech.h") != SEES_reading
#error "reading/ is visible when it should not be, or hidden when it should be"
#endif
#if __has_include("search/text_search.h") != SEES_search
#error "search/ is visible when it should not be, or hidden when it should be"
#endif
#if __has_include("appearance/font_command.h") != SEES_appearance
#error "appearance/ is visible when it should not be, or hidden when it should be"
#endif
#if __has_include("crypt/cipher.h") != SEES_crypt
#error "crypt/ is visible when it should not be, or hidden when it should be"
#endif
#if __has_include("about/about_command.h") != SEES_about
#error "about/ is visible when it should not be, or hidden when it should be"
#endif
#if __has_include("app/main_window.h") != SEES_app
#error "app/ is visible when it should not be, or hidden when it should be"
#endif
