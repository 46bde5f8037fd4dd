#pragma once

#include <QString>
#include <QWidget>

namespace testsupport {

// With TALLYLINE_SCREENSHOT_DIR set, saves a picture of the window there as
// name.png, for a person to look at. Without it, does nothing.
inline void screenshot(QWidget *window, const QString &name)
{
    const QString dir = qEnvironmentVariable("TALLYLINE_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        window->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace testsupport
