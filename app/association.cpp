#include "app/association.h"

#include "app/program.h"

void AssociateFileTypes(Program&) {}
