#pragma once

#include <QStringList>

#include <functional>

class QDialog;
class QDialogButtonBox;
class QLineEdit;
class QPushButton;
class Ui;
class QListWidget;
class QWidget;

// The small fields the editors share: times of day and days of the week.

// A two-character hours or minutes box: a click selects its text, and on
// leaving it or pressing Enter it shows its number clamped to 0..maximum in
// two digits.
QLineEdit *MakeTimeField(QWidget *owner, int maximum);

// A click selects the whole text of the box.
void SelectAllOnClick(QLineEdit *edit);

// A list of ticked rows: a click on a row flips its tick, except while the
// row is greyed.
QListWidget *MakeTickList(const QStringList &rows);
// The rows' ticks as a bit set (row i is bit i), and back.
int TickedRows(const QListWidget *list);
void SetTickedRows(QListWidget *list, int bits);
// Greys the rows ("cut"): drawn disabled, their ticks cannot be flipped.
void SetTickListGreyed(QListWidget *list, bool greyed);

// The "&OK", "&Cancel" and "&Help" row of an editor: OK runs onOk (which
// closes the editor when it accepts), Cancel rejects, Help opens helpTopic.
// *ok is the OK button.
QDialogButtonBox *MakeEditorButtons(QDialog *editor, Ui &ui, const QString &helpTopic,
                                    const std::function<void()> &onOk, QPushButton **ok);
