#include "app/gui/BoxRequests.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace {

QList<QMessageBox *> openBoxes()
{
    QList<QMessageBox *> boxes;
    // The modal stack knows which box came last; boxes that are not modal
    // (there are none today) follow in no particular order.
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->isVisible())
            boxes.append(box);
    }
    if (auto *newest = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
        boxes.removeOne(newest);
        boxes.append(newest);
    }
    return boxes;
}

std::optional<QMessageBox::StandardButton> buttonNamed(const QString &name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("ok"))
        return QMessageBox::Ok;
    if (n == QLatin1String("yes"))
        return QMessageBox::Yes;
    if (n == QLatin1String("no"))
        return QMessageBox::No;
    if (n == QLatin1String("cancel"))
        return QMessageBox::Cancel;
    return std::nullopt;
}

} // namespace

std::optional<QString> AnswerBoxRequest(const QString &command, const QString &rest)
{
    if (command == QLatin1String("boxes")) {
        if (!rest.isEmpty())
            return QStringLiteral("error boxes takes no arguments\n");
        QString text = QStringLiteral("ok\n");
        for (const QMessageBox *box : openBoxes())
            text += QStringLiteral("box: %1\n").arg(QString(box->text()).replace(QLatin1Char('\n'), QLatin1String("\\n")));
        return text;
    }
    if (command == QLatin1String("answer")) {
        const std::optional<QMessageBox::StandardButton> which = buttonNamed(rest);
        if (!which)
            return QStringLiteral("error answer needs a button: ok, yes, no or cancel\n");
        const QList<QMessageBox *> boxes = openBoxes();
        if (boxes.isEmpty())
            return QStringLiteral("error no box is open\n");
        QAbstractButton *button = boxes.last()->button(*which);
        if (!button)
            return QStringLiteral("error the box has no %1 button\n").arg(rest.toLower());
        // Pressed once this request has been answered: the box's own event
        // loop ends only after the request's handler has returned anyway.
        QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
        return QStringLiteral("ok answered %1\n").arg(rest.toLower());
    }
    return std::nullopt;
}
