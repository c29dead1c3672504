#include "reading/reading_commands.h"

#include "program/program.h"
#include "reading/speed_options.h"

void ReadingCommands::numStart() { session_.Start(); }
void ReadingCommands::numStop() { session_.Stop(); }
void ReadingCommands::timer2Tick() { session_.Step(); }
void ReadingCommands::timer3Tick() { speech_.Timer3Tick(); }
void ReadingCommands::numSoundOpt(int index) { ::numSoundOpt(p_, index); }
void ReadingCommands::numWords() { ::numWords(p_); }
void ReadingCommands::numSoundSpeed(int index) { ::numSoundSpeed(p_, index); }
