#include "app/gui/MessageBoxUi.h"

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

// A box belongs to the window it comes from: the modal window in front (a
// dialog that stays on top, like the login, would otherwise hide it), else
// the active window. A box over a window that stays on top stays on top too.
QWidget *boxParent(QWidget *fixed)
{
    if (fixed)
        return fixed;
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

void prepare(QMessageBox &box)
{
    box.setTextFormat(Qt::PlainText);
    if (const QWidget *parent = box.parentWidget();
        parent && parent->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
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
    QMessageBox box(IconOf(kind), QStringLiteral("Tallyline"), displayText(text), QMessageBox::Ok, boxParent(m_parent));
    prepare(box);
    box.exec();
}

bool MessageBoxUi::confirm(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tallyline"), displayText(text),
                    QMessageBox::Yes | QMessageBox::No, boxParent(m_parent));
    prepare(box);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxUi::beep()
{
    QApplication::beep();
}

bool MessageBoxUi::confirmOkCancel(MessageKind kind, const QString &text)
{
    QMessageBox box(IconOf(kind), QStringLiteral("Tallyline"), displayText(text), QMessageBox::Ok | QMessageBox::Cancel,
                    boxParent(m_parent));
    prepare(box);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}
