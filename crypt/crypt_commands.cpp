#include "crypt/crypt_commands.h"

#include "app/program.h"

// Encryption comes with the cipher work; until then these do nothing.
void numEncr(Program&) {}
void numDecr(Program&) {}
