#include "dialogs/WizardISPForm.h"

#include "core/Ui.h"
#include "dialogs/SetupWizard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TWizardISPForm::TWizardISPForm(Ui &ui, const QStringList &connections, const QStringList &presets,
                               const QStringList &taken, QWidget *parent)
    : QDialog(parent), m_ui(ui), m_taken(taken)
{
    setObjectName(QStringLiteral("WizardISPForm"));
    setWindowTitle(QStringLiteral("Add ISP to Tallyline Detection"));

    auto *connectionLabel = new QLabel(QStringLiteral("Dial-up connection :"), this);
    m_connectionList = new QListWidget(this);
    m_connectionList->setObjectName(QStringLiteral("ConnectionList"));
    m_connectionList->addItems(connections);
    if (m_connectionList->count() > 0)
        m_connectionList->setCurrentRow(0);

    auto *presetLabel = new QLabel(
        QStringLiteral("Now select which set of of time-zone presets to use when you dial-up with this ISP :"), this);
    presetLabel->setWordWrap(true);
    m_presetList = new QListWidget(this);
    m_presetList->setObjectName(QStringLiteral("PresetList"));
    m_presetList->addItems(presets);
    m_presetList->setCurrentRow(-1);

    m_okButton = new QPushButton(QStringLiteral("&OK"), this);
    m_okButton->setObjectName(QStringLiteral("OkButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(connectionLabel);
    layout->addWidget(m_connectionList);
    layout->addWidget(presetLabel);
    layout->addWidget(m_presetList);
    layout->addLayout(buttons);
    resize(380, 400);

    connect(m_okButton, &QPushButton::clicked, this, &TWizardISPForm::onOkClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QString TWizardISPForm::connection() const
{
    const QListWidgetItem *item = m_connectionList->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

QString TWizardISPForm::preset() const
{
    const QListWidgetItem *item = m_presetList->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void TWizardISPForm::onOkClicked()
{
    if (preset().isEmpty()) {
        m_ui.showMessage(MessageKind::Information, NoConnectionPresetText());
        return;
    }
    // Without a phone-book entry there is nothing to add.
    if (connection().isEmpty())
        return;
    if (m_taken.contains(connection())) {
        m_ui.showMessage(MessageKind::Information, DuplicateConnectionText());
        return;
    }
    accept();
}
