// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>

#include "platform/file_types.h"

struct Program;

// First-run question and file-type association; stores "1" or "0" under
// "Type"/"txt".
void AssociateFileTypes(Program& p);

// The types recorded for an answer: Yes takes text and log files as well as
// the program's own .qzc documents; No only the .qzc documents.
QList<FileType> associatedTypes(bool yes);
