#include "reading/reading_commands.h"

#include "app/program.h"
#include "reading/speed_options.h"

// Reading aloud comes with the reading work; until then these do nothing.
void ReadingCommands::numStart() {}
void ReadingCommands::numStop() {}
void ReadingCommands::timer2Tick() {}
void ReadingCommands::timer3Tick() { speech_.Timer3Tick(); }
void ReadingCommands::numSoundOpt(int index) { ::numSoundOpt(p_, index); }
void ReadingCommands::numSoundSpeed(int index) { ::numSoundSpeed(p_, index); }
