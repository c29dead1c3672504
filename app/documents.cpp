#include "app/documents.h"

#include "app/program.h"

// The file commands come with the documents work; until then they do nothing.
void Documents::numNew() {}
void Documents::numOpen() {}
void Documents::numSave() {}
void Documents::numSaveAs() {}
void Documents::numPrint() {}
void Documents::LoadTextFile(const QString&) {}
