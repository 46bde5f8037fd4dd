#pragma once

#include "app/Ui.h"

#include <QList>
#include <QQueue>

// A Ui that remembers every box and answers confirmations from a script
// (then with defaultAnswer). Used by tests and by headless runs.
class RecordingUi : public Ui
{
public:
    struct Message {
        MessageKind kind;
        QString text;
    };

    void showMessage(MessageKind kind, const QString &text) override { messages.append({kind, text}); }
    bool confirm(const QString &text) override
    {
        messages.append({MessageKind::Confirmation, text});
        return answers.isEmpty() ? defaultAnswer : answers.dequeue();
    }

    QStringList texts() const
    {
        QStringList list;
        for (const Message &m : messages)
            list.append(m.text);
        return list;
    }

    QList<Message> messages;
    QQueue<bool> answers;
    bool defaultAnswer = false;
};
