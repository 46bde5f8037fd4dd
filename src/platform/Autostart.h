#pragma once

#include "core/StartAtLogin.h"

// The desktop's start-at-log-in entry: tallyline.desktop in the user's XDG
// autostart folder. Switching it off removes our file, or, when a system-wide
// entry of the same name exists, overrides that one with Hidden=true.
class AutostartEntry : public StartAtLogin
{
public:
    static constexpr const char *FileName = "tallyline.desktop";

    // The folders of the environment: $XDG_CONFIG_HOME/autostart for ours,
    // each $XDG_CONFIG_DIRS entry's autostart for the system-wide ones.
    AutostartEntry();
    AutostartEntry(const QString &userDirectory, const QStringList &systemDirectories);

    QString filePath() const;

    // Throw TallylineError when the file cannot be written or removed.
    void enable(const QString &executablePath, const QStringList &arguments) override;
    void disable() override;

    // The Exec= value that starts executablePath with arguments, quoted and
    // escaped as desktop entries require.
    static QString execLine(const QString &executablePath, const QStringList &arguments);

private:
    bool systemEntryExists() const;
    void writeEntry(const QByteArray &contents);

    QString m_userDirectory;
    QStringList m_systemDirectories;
};
