#pragma once
struct Program;

// 关于: the modal about box.
void numAbout(Program& p);
