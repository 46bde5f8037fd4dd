#pragma once

#include "core/LaunchedProcess.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// Starts the programs of a session and asks them to quit at its end.
class ProgramLauncher
{
public:
    virtual ~ProgramLauncher() = default;

    // Starts the program directly (no shell) in the working directory (the
    // current one when empty). An invalid result means it did not start.
    virtual LaunchedProcess start(const QString &program, const QStringList &arguments,
                                  const QString &workingDirectory) = 0;

    // Asks the process to quit, but only when it is still running as the
    // process that was started. True when the request was sent.
    virtual bool requestQuit(const LaunchedProcess &process) = 0;
};

// The real one: a detached process (it outlives this program, like any
// program the user starts) and SIGTERM to close it. The process's identity
// is its id and its start time in /proc/<pid>/stat.
class LinuxProgramLauncher : public ProgramLauncher
{
public:
    LaunchedProcess start(const QString &program, const QStringList &arguments,
                          const QString &workingDirectory) override;
    bool requestQuit(const LaunchedProcess &process) override;

    // The start time of a running process, 0 when there is no such process.
    static quint64 processStartTime(qint64 pid);
};

// Records what it is asked to do. Every start succeeds with a made-up
// process unless the program is listed in failing; a process listed in
// ended has gone by the time it is asked to quit.
class FakeProgramLauncher : public ProgramLauncher
{
public:
    struct Start {
        QString program;
        QStringList arguments;
        QString workingDirectory;
    };

    LaunchedProcess start(const QString &program, const QStringList &arguments,
                          const QString &workingDirectory) override
    {
        starts.append({program, arguments, workingDirectory});
        if (failing.contains(program))
            return {};
        LaunchedProcess p;
        p.pid = m_nextPid++;
        p.startTime = quint64(p.pid) * 10;
        return p;
    }

    bool requestQuit(const LaunchedProcess &process) override
    {
        if (!process.isValid() || ended.contains(process.pid))
            return false;
        quitRequests.append(process.pid);
        return true;
    }

    QStringList startedPrograms() const
    {
        QStringList list;
        for (const Start &s : starts)
            list.append(s.program);
        return list;
    }

    QList<Start> starts;
    QList<qint64> quitRequests;
    QSet<QString> failing;
    QSet<qint64> ended;

private:
    qint64 m_nextPid = 1000;
};
