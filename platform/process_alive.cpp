// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/process_alive.h"

#include <signal.h>
#include <cerrno>
#include <limits>

bool processAlive(qint64 pid) {
  // Only an id a process can have: 0 and negative ids name process groups.
  if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return false;
  // Signal 0 only asks whether the process exists.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}
