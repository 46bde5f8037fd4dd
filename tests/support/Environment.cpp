#include "support/TestMain.h"

#include <QDir>
#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>

namespace testsupport {

void prepareEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tallyline-test-XXXXXX"));
    const QByteArray base = QFile::encodeName(home.path());
    qputenv("XDG_CONFIG_HOME", base + "/config");
    qputenv("XDG_DATA_HOME", base + "/data");
    qputenv("XDG_CACHE_HOME", base + "/cache");
    qputenv("XDG_RUNTIME_DIR", base + "/runtime");
    QDir().mkpath(home.path() + QStringLiteral("/runtime"));
    QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
}

void afterApplication()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    QStandardPaths::setTestModeEnabled(true);
}

} // namespace testsupport
