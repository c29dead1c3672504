# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the package's copyright file from its template, naming the sources
# the generated data files say they were made from (their first lines):
#   cmake -DTEMPLATE=copyright.in -DPINYIN=pinyin.txt -DWORDS=words.txt -DOUTPUT=copyright -P FillCopyright.cmake
# The word-reading table may draw word frequencies from the Rime essay
# (Debian package rime-essay, LGPL-3); the file names it only when the
# table's header says it was made from essay.txt.
foreach(var TEMPLATE PINYIN WORDS OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "FillCopyright.cmake: ${var} is not set")
  endif()
endforeach()

file(STRINGS ${PINYIN} pinyin_header LIMIT_COUNT 3)
string(REGEX MATCH "Unicode version: ([0-9.]+)" unused "${pinyin_header}")
if(NOT CMAKE_MATCH_1)
  message(FATAL_ERROR "${PINYIN} names no Unicode version in its header")
endif()
set(CHIMEPAD_UNICODE_VERSION ${CMAKE_MATCH_1})

file(STRINGS ${WORDS} words_header LIMIT_COUNT 3)
set(CHIMEPAD_WORDS_COPYRIGHT_EXTRA "")
set(CHIMEPAD_WORDS_COMMENT_EXTRA "")
if(words_header MATCHES "essay\\.txt")
  # Same authors as the Terra Pinyin data: only the comment grows.
  string(APPEND CHIMEPAD_WORDS_COMMENT_EXTRA
         " Word frequencies come from essay.txt of the Rime essay (Debian package\n"
         " rime-essay, LGPL-3, by the same authors).\n")
endif()
set(CHIMEPAD_WORDS_LICENSE_EXTRA "")
set(CHIMEPAD_EXTRA_LICENSES "")
if(words_header MATCHES "dict\\.txt \\(jieba\\)")
  # Word counts from jieba's dictionary (Debian package python3-jieba, MIT).
  string(APPEND CHIMEPAD_WORDS_COPYRIGHT_EXTRA " 2012-2017 Sun Junyi <ccnusjy@gmail.com>\n")
  set(CHIMEPAD_WORDS_LICENSE_EXTRA " and Expat")
  string(APPEND CHIMEPAD_WORDS_COMMENT_EXTRA
         " Word counts come from dict.txt of jieba (Debian package python3-jieba,\n"
         " Expat), used to find the word a character stands in.\n")
  file(READ ${CMAKE_CURRENT_LIST_DIR}/expat-license.txt CHIMEPAD_EXTRA_LICENSES)
endif()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
