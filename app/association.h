#pragma once
struct Program;

// First-run question and file-type association; stores "1" or "0" under
// "Type"/"txt".
void AssociateFileTypes(Program& p);
