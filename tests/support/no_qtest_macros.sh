#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a Qt Test verification macro appears in a GoogleTest or
# benchmark source: inside a GoogleTest test such a macro only returns from
# the test body when its check fails, and the test is reported as passed.
# Waits go through waitUntil (support/wait.h) or QTest::qWaitFor, asserted.
# Usage: no_qtest_macros.sh SOURCE_DIR
set -euo pipefail
root=${1:-$(dirname "$0")/../..}
macros='QVERIFY[A-Z0-9_]*|QCOMPARE[A-Z0-9_]*|QTRY_[A-Z0-9_]+|QFAIL|QSKIP|QEXPECT_FAIL|QFETCH[A-Z0-9_]*|QTEST'
dirs=()
for d in tests bench fuzz; do [ -d "$root/$d" ] && dirs+=("$root/$d"); done
# Code only: what follows // on a line is a comment.
if found=$(grep -rnE --include='*.cpp' --include='*.h' \
             "^([^/\"]|/[^/]|\"[^\"]*\")*\\b($macros)[[:space:]]*\\(" "${dirs[@]}"); then
  echo "Qt Test verification macros in GoogleTest sources (use ASSERT_TRUE(waitUntil(...)) or EXPECT_*):"
  echo "$found"
  exit 1
fi
echo "no Qt Test verification macros in ${dirs[*]}"
