#pragma once

#include <QtGlobal>

// A handle on one process (a pidfd) that stays bound to it even after its id
// is reused: it becomes readable when the process ends, and a signal sent
// through it cannot hit a stranger.
class ProcessHandle
{
public:
    ProcessHandle() = default;
    explicit ProcessHandle(qint64 pid);
    ~ProcessHandle();
    ProcessHandle(ProcessHandle &&other) noexcept;
    ProcessHandle &operator=(ProcessHandle &&other) noexcept;
    ProcessHandle(const ProcessHandle &) = delete;
    ProcessHandle &operator=(const ProcessHandle &) = delete;

    bool isValid() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    // True once the process has ended (also when it is a zombie).
    bool hasEnded() const;
    bool sendSignal(int signal) const;

    // Whether this kernel hands out process handles at all.
    static bool supported();

private:
    int m_fd = -1;
};
