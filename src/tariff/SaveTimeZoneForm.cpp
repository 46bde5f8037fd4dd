#include "tariff/SaveTimeZoneForm.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "tariff/TimeZonePresets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TSaveTimeZoneForm::TSaveTimeZoneForm(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("SaveTimeZoneForm"));
    setWindowTitle(QStringLiteral("Save time-zones"));

    auto *caption = new QLabel(QStringLiteral("Preset name :"));
    m_nameEdit = new QLineEdit(ctx.currentPresetName);
    m_nameEdit->setObjectName(QStringLiteral("PresetNameEdit"));
    m_nameEdit->setMinimumWidth(220);
    m_saveButton = new QPushButton(QStringLiteral("&Save"));
    m_saveButton->setObjectName(QStringLiteral("SaveButton"));
    m_saveButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"));
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_saveButton);
    buttons->addWidget(m_cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_nameEdit);
    layout->addLayout(buttons);

    connect(m_saveButton, &QPushButton::clicked, this, &TSaveTimeZoneForm::onSaveClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TSaveTimeZoneForm::onSaveClicked()
{
    PROCEDURE_GUARD(m_ctx, "TimeZoneSave", "SaveButtonClick");
    // Without a name (or with one that cannot be a file) the dialog stays.
    if (SaveTimeZonePreset(m_ctx, m_nameEdit->text()))
        accept();
}
