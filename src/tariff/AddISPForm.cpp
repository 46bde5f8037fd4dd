#include "tariff/AddISPForm.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "platform/DialUpNetwork.h"
#include "tariff/IspRecord.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TAddISPForm::TAddISPForm(AppContext &ctx, IspDialogMode mode, int editedIsp, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_mode(mode), m_editedIsp(editedIsp)
{
    setObjectName(QStringLiteral("AddISPForm"));
    setWindowTitle(mode == IspDialogMode::Edit ? QStringLiteral("Edit dial-up connection")
                                               : QStringLiteral("Add dial-up connection"));

    m_descriptionEdit = new QLineEdit;
    m_descriptionEdit->setObjectName(QStringLiteral("DescriptionEdit"));
    m_descriptionEdit->setMinimumWidth(220);
    m_connectionCombo = new QComboBox;
    m_connectionCombo->setObjectName(QStringLiteral("ConnectionComboBox"));
    m_okButton = new QPushButton(QStringLiteral("&OK"));
    m_okButton->setObjectName(QStringLiteral("OkButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"));
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("Description :"), m_descriptionEdit);
    fields->addRow(QStringLiteral("Dial-up connection :"), m_connectionCombo);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    if (ctx.platform.dialUp)
        m_connectionCombo->addItems(ctx.platform.dialUp->entries());
    if (mode == IspDialogMode::Add) {
        m_connectionCombo->setCurrentIndex(m_connectionCombo->count() > 0 ? 0 : -1);
        m_descriptionEdit->setText(m_connectionCombo->currentText());
    } else if (editedIsp == 1) {
        m_connectionCombo->clear();
        m_connectionCombo->addItem(QStringLiteral("Any"));
        m_descriptionEdit->setText(QStringLiteral("Default"));
        m_connectionCombo->setEnabled(false);
        m_descriptionEdit->setEnabled(false);
    } else if (editedIsp > 1) {
        const IspRecord isp = ReadIspRecord(ctx.store, ctx.login.CurrentUser, editedIsp);
        m_connectionCombo->setCurrentIndex(m_connectionCombo->findText(isp.dialupName, Qt::MatchExactly));
        m_descriptionEdit->setText(isp.ispName);
    }

    // Choosing an entry names the ISP after it.
    connect(m_connectionCombo, &QComboBox::activated, this,
            [this] { m_descriptionEdit->setText(m_connectionCombo->currentText()); });
    connect(m_okButton, &QPushButton::clicked, this, &TAddISPForm::onOkClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TAddISPForm::onOkClicked()
{
    PROCEDURE_GUARD(m_ctx, "AddISP", "OKButtonClick");
    const QString entry = m_connectionCombo->currentIndex() >= 0 ? m_connectionCombo->currentText() : QString();
    if (SaveIspFromDialog(m_ctx, m_mode, m_editedIsp, m_descriptionEdit->text(), entry))
        accept();
}
