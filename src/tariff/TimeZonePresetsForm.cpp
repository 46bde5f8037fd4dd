#include "tariff/TimeZonePresetsForm.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "tariff/TimeZonePresets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TTimeZonePresetsForm::TTimeZonePresetsForm(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TimeZonePresetsForm"));
    setWindowTitle(QStringLiteral("Presets"));

    auto *caption = new QLabel(QStringLiteral("Time-zone presets"));
    m_presetList = new QListWidget;
    m_presetList->setObjectName(QStringLiteral("PresetListView"));
    m_presetList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_loadButton = new QPushButton(QStringLiteral("&Load"));
    m_loadButton->setObjectName(QStringLiteral("LoadButton"));
    m_removeButton = new QPushButton(QStringLiteral("&Remove"));
    m_removeButton->setObjectName(QStringLiteral("RemoveButton"));
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"));
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_loadButton);
    buttons->addWidget(m_removeButton);
    buttons->addWidget(m_cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_presetList);
    layout->addLayout(buttons);
    resize(300, 280);

    connect(m_presetList, &QListWidget::itemSelectionChanged, this, &TTimeZonePresetsForm::updateButtons);
    connect(m_presetList, &QListWidget::itemDoubleClicked, this, &TTimeZonePresetsForm::onLoadClicked);
    connect(m_loadButton, &QPushButton::clicked, this, &TTimeZonePresetsForm::onLoadClicked);
    connect(m_removeButton, &QPushButton::clicked, this, &TTimeZonePresetsForm::onRemoveClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    fillList();
}

void TTimeZonePresetsForm::fillList()
{
    m_presetList->clear();
    m_presetList->addItems(TimeZonePresetNames(m_ctx.startup.programDirectory));
    updateButtons();
}

void TTimeZonePresetsForm::updateButtons()
{
    const bool selected = !selectedName().isEmpty();
    m_loadButton->setEnabled(selected);
    m_removeButton->setEnabled(selected);
}

QString TTimeZonePresetsForm::selectedName() const
{
    const QList<QListWidgetItem *> items = m_presetList->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

void TTimeZonePresetsForm::onLoadClicked()
{
    PROCEDURE_GUARD(m_ctx, "TimeZonePresets", "LoadButtonClick");
    const QString name = selectedName();
    if (name.isEmpty())
        return;
    LoadTimeZonePresets(m_ctx, name + QLatin1String(PresetExtension));
    accept();
}

void TTimeZonePresetsForm::onRemoveClicked()
{
    PROCEDURE_GUARD(m_ctx, "TimeZonePresets", "RemoveButtonClick");
    const QString name = selectedName();
    if (name.isEmpty()
        || !m_ctx.ui.confirm(QStringLiteral("Are you sure you want to delete the selected preset?")))
        return;
    DeleteTimeZonePreset(m_ctx, name);
    fillList();
}
