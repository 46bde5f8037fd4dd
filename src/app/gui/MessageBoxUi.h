#pragma once

#include "core/Ui.h"

class QWidget;

// The program's message boxes: modal, titled "Tallyline", owned by the
// window they come from.
class MessageBoxUi : public Ui
{
public:
    explicit MessageBoxUi(QWidget *parent = nullptr) : m_parent(parent) {}

    void showMessage(MessageKind kind, const QString &text) override;
    bool confirm(const QString &text) override;
    bool confirmOkCancel(MessageKind kind, const QString &text) override;
    void beep() override;

    // The program's texts break lines with a carriage return.
    static QString displayText(const QString &text);

private:
    QWidget *m_parent;
};
