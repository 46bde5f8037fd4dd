#include "app/BuildInfo.h"
#include "store/GeneralRoutines.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

// The version block GetFileVersion reads back out of this executable.
extern "C" {
__attribute__((used, section(".tallyline_version"))) const VersionBlock tallylineVersionBlock = {
    {'T', 'L', 'V', 'E', 'R', 'S', '1', '\0'},
    TALLYLINE_VERSION_MAJOR,
    TALLYLINE_VERSION_MINOR,
    TALLYLINE_VERSION_RELEASE,
    TALLYLINE_VERSION_BUILD,
};
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QSystemTrayIcon tray(QIcon(QStringLiteral(":/icons/tallyline.svg")));
    QMenu menu;
    menu.addAction(QStringLiteral("Exit"), &app, &QCoreApplication::quit);
    tray.setContextMenu(&menu);
    tray.setToolTip(QStringLiteral("Tallyline"));
    tray.show();
    return app.exec();
}
