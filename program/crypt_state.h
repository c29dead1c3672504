// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The state of crypt/. Declared here, below the subsystems, so that the
// program-wide state can hold it.

struct CryptState {
  // The password dialog encrypts (true) or decrypts (false).
  bool EncryptMode = false;
};
