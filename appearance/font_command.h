// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
struct Program;

// 字体: the modal font and background dialog.
void numFont(Program& p);
