#include "platform/process_alive.h"

#include <signal.h>
#include <cerrno>

bool processAlive(qint64 pid) {
  if (pid <= 0) return false;
  // Signal 0 only asks whether the process exists.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}
