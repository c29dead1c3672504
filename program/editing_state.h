// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The state editing/ keeps between editor events. Declared here, below the
// subsystems, so that the program-wide state can hold it.

struct EditingState {
  // The text changed since the last snapshot of the undo history.
  bool TextDirty = false;
  // The paste in progress came from the Ctrl+V key, which the editor pastes
  // itself: 粘贴 then leaves the text alone.
  bool PasteKeyPressed = false;
};
