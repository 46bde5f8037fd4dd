#pragma once

#include <QString>

class QAbstractItemModel;
class QPushButton;
class QTableView;
class QWidget;

// What the account window's list pages share.

// A read-only list of whole rows, one selected at a time.
QTableView *MakePageList(QAbstractItemModel *model, const char *name, QWidget *parent = nullptr);
// The row selected, -1 for none.
int SelectedPageRow(const QTableView *list);
// Selects the row and scrolls it into view (nothing for a row out of range).
void SelectPageRow(QTableView *list, int row);
// Columns at their design widths (-1: wide enough for caption and texts).
void SetPageColumnWidths(QTableView *list, int (*designWidth)(int), int columns);

QPushButton *MakePageButton(const QString &caption, const char *name);
