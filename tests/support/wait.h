// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waiting inside a GoogleTest test: runs the event loop until a condition
// holds or the time is up, and gives a result GoogleTest asserts on:
//   ASSERT_TRUE(waitUntil([&] { return !p.ReadingActive; }, 5000));
// (The Qt Test macros that wait only return from the test body when they
// fail, and GoogleTest then reports the test as passed.)
#include <gtest/gtest.h>
#include <QTest>

template <typename Condition>
[[nodiscard]] testing::AssertionResult waitUntil(Condition condition, int timeoutMs = 5000) {
  if (QTest::qWaitFor(condition, timeoutMs)) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "the condition did not hold within " << timeoutMs << " ms";
}
