#include "app/gui/MessageBoxUi.h"

#include "app/HelpForm.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon IconOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Confirmation:
        return QMessageBox::Question;
    case MessageKind::Plain:
        return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString MessageBoxUi::displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void MessageBoxUi::showMessage(MessageKind kind, const QString &text)
{
    QMessageBox box(IconOf(kind), QStringLiteral("Tallyline"), displayText(text), QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool MessageBoxUi::confirm(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tallyline"), displayText(text),
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxUi::beep()
{
    QApplication::beep();
}

void MessageBoxUi::showHelp(const QString &keyword)
{
    ShowHelpWindow(m_helpDirectory, keyword);
}

bool MessageBoxUi::confirmOkCancel(MessageKind kind, const QString &text)
{
    QMessageBox box(IconOf(kind), QStringLiteral("Tallyline"), displayText(text), QMessageBox::Ok | QMessageBox::Cancel,
                    m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}
