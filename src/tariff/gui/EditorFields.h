#pragma once

#include <QStringList>

class QLineEdit;
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
