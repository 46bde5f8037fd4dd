#pragma once

#include <QtGlobal>

// A process the program started, identified so that a later signal never
// reaches another process that happens to get the same id: the kernel's
// start time of the process (clock ticks after boot) goes with its id.
struct LaunchedProcess {
    qint64 pid = 0;
    quint64 startTime = 0;

    bool isValid() const { return pid > 0; }
};
