#include "account_window/gui/PageWidgets.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>

#include <algorithm>

QTableView *MakePageList(QAbstractItemModel *model, const char *name, QWidget *parent)
{
    auto *list = new QTableView(parent);
    list->setObjectName(QLatin1String(name));
    list->setModel(model);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setWordWrap(false);
    list->setShowGrid(false);
    list->verticalHeader()->hide();
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
    list->horizontalHeader()->setHighlightSections(false);
    list->horizontalHeader()->setSectionsMovable(false);
    list->horizontalHeader()->setStretchLastSection(true);
    list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return list;
}

int SelectedPageRow(const QTableView *list)
{
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void SelectPageRow(QTableView *list, int row)
{
    if (row < 0 || row >= list->model()->rowCount())
        return;
    list->selectRow(row);
    list->scrollTo(list->model()->index(row, 0));
}

void SetPageColumnWidths(QTableView *list, int (*designWidth)(int), int columns)
{
    QHeaderView *header = list->horizontalHeader();
    for (int c = 0; c < columns; ++c) {
        const int design = designWidth(c);
        list->setColumnWidth(c, std::max(design > 0 ? design : 0, header->sectionSizeHint(c)));
    }
}

QPushButton *MakePageButton(const QString &caption, const char *name)
{
    auto *button = new QPushButton(caption);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}
