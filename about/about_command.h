// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
struct Program;

// 关于: the modal about box.
void numAbout(Program& p);
