#include "editing/edit_commands.h"

#include "app/program.h"

// The edit commands come with the editing work; until then they do nothing.
void EditCommands::numUndo() {}
void EditCommands::numCut() {}
void EditCommands::numCopy() {}
void EditCommands::numPaste() {}
void EditCommands::numDelete() {}
void EditCommands::numClear() {}
void EditCommands::numAll() {}
void EditCommands::numDate() {}
void EditCommands::onChange() {}
void EditCommands::onKeyDown(int, int) {}
void EditCommands::onKeyUp(int, int) {}
void EditCommands::onMouseUp(int, int, int, int) {}
void EditCommands::onSelChange() {}
void EditCommands::onClipboardTick() {}
