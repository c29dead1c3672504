// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
struct Program;

// 文本加密 and 文本解密: the password dialog in either mode.
void numEncr(Program& p);
void numDecr(Program& p);
