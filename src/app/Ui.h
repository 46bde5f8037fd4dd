#pragma once

#include <QString>

// The kinds of modal message box the program shows.
enum class MessageKind { Warning, Error, Information, Confirmation };

// What the engine needs from the screen: boxes that must be answered or seen
// now, and the windows it has to raise. The GUI implements it; tests use
// RecordingUi, which records every call and scripts the answers.
class Ui
{
public:
    virtual ~Ui() = default;

    // A box with an OK button.
    virtual void showMessage(MessageKind kind, const QString &text) = 0;
    // A Yes/No confirmation; true only for Yes.
    virtual bool confirm(const QString &text) = 0;
};
