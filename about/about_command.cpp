#include "about/about_command.h"

#include "app/program.h"

// The about box comes with its own work; until then it does nothing.
void numAbout(Program&) {}
