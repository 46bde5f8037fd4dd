#include "tariff/ISPForm.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "tariff/AddISPForm.h"
#include "tariff/TariffEditing.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

TISPForm::TISPForm(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("ISPForm"));
    setWindowTitle(QStringLiteral("Add / Remove ISP Timezones"));

    auto *text = new QLabel(QStringLiteral(
        "Tallyline can use different timezone information for different dial-up connections (ISP's). Unless other "
        "ISP's are added to the list below then all connections will be treated the same and use the 'default' "
        "charges."));
    text->setWordWrap(true);
    m_model = new IspListModel(ctx, this);
    m_ispList = new QTableView;
    m_ispList->setObjectName(QStringLiteral("ISPListView"));
    m_ispList->setModel(m_model);
    m_ispList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ispList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ispList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ispList->verticalHeader()->hide();
    m_ispList->horizontalHeader()->setStretchLastSection(true);
    m_ispList->setColumnWidth(IspListModel::Description, 170);

    const auto button = [](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    m_addButton = button("AddButton", QStringLiteral("&Add"));
    m_editButton = button("EditButton", QStringLiteral("&Edit"));
    m_removeButton = button("RemoveButton", QStringLiteral("&Remove"));
    m_okButton = button("OkButton", QStringLiteral("&OK"));
    QPushButton *cancelButton = button("CancelButton", QStringLiteral("&Cancel"));
    auto *listButtons = new QHBoxLayout;
    listButtons->addWidget(m_addButton);
    listButtons->addWidget(m_editButton);
    listButtons->addWidget(m_removeButton);
    listButtons->addStretch(1);
    listButtons->addWidget(m_okButton);
    listButtons->addWidget(cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_ispList, 1);
    layout->addLayout(listButtons);
    resize(440, 300);

    connect(m_addButton, &QPushButton::clicked, this, &TISPForm::onAddClicked);
    connect(m_editButton, &QPushButton::clicked, this, &TISPForm::onEditClicked);
    connect(m_ispList, &QAbstractItemView::doubleClicked, this, &TISPForm::onEditClicked);
    connect(m_removeButton, &QPushButton::clicked, this, &TISPForm::onRemoveClicked);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    m_model->reload();
}

int TISPForm::selectedRow() const
{
    const QModelIndexList rows = m_ispList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TISPForm::onAddClicked()
{
    PROCEDURE_GUARD(m_ctx, "ISP", "AddButtonClick");
    TAddISPForm dialog(m_ctx, IspDialogMode::Add, -1, this);
    dialog.exec();
    m_model->reload();
}

void TISPForm::onEditClicked()
{
    PROCEDURE_GUARD(m_ctx, "ISP", "EditButtonClick");
    const int row = selectedRow();
    if (row < 0)
        return;
    TAddISPForm dialog(m_ctx, IspDialogMode::Edit, row + 1, this);
    dialog.exec();
    m_model->reload();
}

void TISPForm::onRemoveClicked()
{
    PROCEDURE_GUARD(m_ctx, "ISP", "RemoveButtonClick");
    const int row = selectedRow();
    if (row < 0 || !RemoveIsp(m_ctx, row))
        return;
    m_model->reload();
}
