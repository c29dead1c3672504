#include "search/search_commands.h"

#include "app/program.h"

// Find and replace come with the search work; until then these do nothing.
SearchCommands::~SearchCommands() = default;
void SearchCommands::numFind() {}
void SearchCommands::numNext() {}
void SearchCommands::numHuan() {}
void SearchCommands::unloadWindows() {}
