// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether a process of this user with the given id is still running.
#include <QtGlobal>

bool processAlive(qint64 pid);
