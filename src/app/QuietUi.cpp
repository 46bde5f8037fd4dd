#include "app/QuietUi.h"

#include <QRegularExpression>

#include <cstdio>

namespace {

void writeLine(const QString &text)
{
    std::fprintf(stderr, "%s\n", QuietUi::logLine(text).toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

QString QuietUi::logLine(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("[\\r\\n]+"));
    return QStringLiteral("Tallyline: ") + text.trimmed().replace(breaks, QStringLiteral(" "));
}

void QuietUi::showMessage(MessageKind kind, const QString &text)
{
    if (m_quiet)
        writeLine(text);
    else
        m_screen.showMessage(kind, text);
}

bool QuietUi::confirm(const QString &text)
{
    return m_quiet ? false : m_screen.confirm(text);
}

bool QuietUi::confirmOkCancel(MessageKind kind, const QString &text)
{
    return m_quiet ? false : m_screen.confirmOkCancel(kind, text);
}

void QuietUi::beep()
{
    if (!m_quiet)
        m_screen.beep();
}

void QuietUi::showEndOfPeriodBill()
{
    if (!m_quiet)
        m_screen.showEndOfPeriodBill();
}

void QuietUi::showLoginForm()
{
    if (!m_quiet)
        m_screen.showLoginForm();
}

void QuietUi::showHelp(const QString &keyword)
{
    if (!m_quiet)
        m_screen.showHelp(keyword);
}

void QuietUi::showMainForm()
{
    if (!m_quiet)
        m_screen.showMainForm();
}

void QuietUi::showFloatingMonitor()
{
    if (!m_quiet)
        m_screen.showFloatingMonitor();
}
