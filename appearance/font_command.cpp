#include "appearance/font_command.h"

#include "app/program.h"

// The font dialog comes with the appearance work; until then it does nothing.
void numFont(Program&) {}
