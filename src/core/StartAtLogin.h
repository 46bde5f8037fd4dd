#pragma once

#include <QString>
#include <QStringList>

// The desktop's way to start a program when the user logs in. The settings
// record keeps it in step with "LoadAtStartUp"; platform/Autostart.h has the
// freedesktop implementation.
class StartAtLogin
{
public:
    virtual ~StartAtLogin() = default;

    // Throw TallylineError when the entry cannot be written or removed.
    virtual void enable(const QString &executablePath, const QStringList &arguments) = 0;
    virtual void disable() = 0;
};
