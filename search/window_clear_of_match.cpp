// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/window_clear_of_match.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>

namespace {

constexpr int kGap = 8;  // between the match and the window

QRect within(QRect r, const QRect& screen) {
  r.moveLeft(
      std::clamp(r.left(), screen.left(), std::max(screen.left(), screen.right() - r.width() + 1)));
  r.moveTop(
      std::clamp(r.top(), screen.top(), std::max(screen.top(), screen.bottom() - r.height() + 1)));
  return r;
}

}  // namespace

QRect placeClearOf(const QRect& window, const QRect& match, const QRect& screen) {
  if (!window.intersects(match) || match.isEmpty()) return window;
  QRect above = window, below = window, left = window, right = window;
  above.moveBottom(match.top() - kGap);
  below.moveTop(match.bottom() + kGap);
  left.moveRight(match.left() - kGap);
  right.moveLeft(match.right() + kGap);
  // Above or below first, beside only when neither fits.
  for (const auto& group :
       {std::array<QRect, 2>{above, below}, std::array<QRect, 2>{left, right}}) {
    std::optional<QRect> best;
    int bestMove = 0;
    for (const QRect& c : group) {
      const QRect placed = within(c, screen);
      if (placed.intersects(match) || !screen.contains(placed)) continue;
      const int move = std::abs(placed.x() - window.x()) + std::abs(placed.y() - window.y());
      if (!best || move < bestMove) {
        best = placed;
        bestMove = move;
      }
    }
    if (best) return *best;
  }
  return window;
}
