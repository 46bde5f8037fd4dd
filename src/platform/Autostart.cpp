#include "platform/Autostart.h"

#include "core/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString configHome()
{
    const QString fromEnvironment = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!fromEnvironment.isEmpty() && QDir::isAbsolutePath(fromEnvironment))
        return fromEnvironment;
    return QDir::homePath() + QStringLiteral("/.config");
}

QStringList configDirs()
{
    QString value = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (value.isEmpty())
        value = QStringLiteral("/etc/xdg");
    QStringList dirs;
    for (const QString &dir : value.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            dirs.append(dir + QStringLiteral("/autostart"));
    }
    return dirs;
}

QString quoteArgument(const QString &argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return quoted;
}

} // namespace

AutostartEntry::AutostartEntry() : AutostartEntry(configHome() + QStringLiteral("/autostart"), configDirs()) {}

AutostartEntry::AutostartEntry(const QString &userDirectory, const QStringList &systemDirectories)
    : m_userDirectory(userDirectory), m_systemDirectories(systemDirectories)
{
}

QString AutostartEntry::filePath() const
{
    return QDir(m_userDirectory).filePath(QString::fromLatin1(FileName));
}

QString AutostartEntry::execLine(const QString &executablePath, const QStringList &arguments)
{
    QStringList parts{quoteArgument(executablePath)};
    for (const QString &argument : arguments)
        parts.append(quoteArgument(argument));
    QString line = parts.join(QLatin1Char(' '));
    line.replace(QLatin1Char('%'), QStringLiteral("%%"));
    // The value is itself an escaped string: a backslash is written twice.
    line.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return line;
}

void AutostartEntry::enable(const QString &executablePath, const QStringList &arguments)
{
    const QString contents = QStringLiteral("[Desktop Entry]\n"
                                            "Type=Application\n"
                                            "Name=Tallyline\n"
                                            "Comment=Records and prices metered online sessions\n"
                                            "Exec=%1\n"
                                            "Icon=tallyline\n"
                                            "Terminal=false\n"
                                            "X-GNOME-Autostart-enabled=true\n")
                                 .arg(execLine(executablePath, arguments));
    writeEntry(contents.toUtf8());
}

void AutostartEntry::disable()
{
    if (systemEntryExists()) {
        writeEntry(QByteArrayLiteral("[Desktop Entry]\nType=Application\nName=Tallyline\nHidden=true\n"));
        return;
    }
    QFile file(filePath());
    if (file.exists() && !file.remove()) {
        throw TallylineError(
            QStringLiteral("The start-up entry '%1' could not be removed: %2").arg(filePath(), file.errorString()));
    }
}

bool AutostartEntry::systemEntryExists() const
{
    for (const QString &dir : m_systemDirectories) {
        if (QFileInfo(QDir(dir).filePath(QString::fromLatin1(FileName))).isFile())
            return true;
    }
    return false;
}

void AutostartEntry::writeEntry(const QByteArray &contents)
{
    const auto fail = [this](const QString &why) {
        return TallylineError(QStringLiteral("The start-up entry '%1' could not be written: %2").arg(filePath(), why));
    };
    if (!QDir().mkpath(m_userDirectory))
        throw fail(QStringLiteral("the folder cannot be created"));
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() || !file.commit())
        throw fail(file.errorString());
}
