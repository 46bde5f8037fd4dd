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
    ConnectionList = new QListWidget(this);
    ConnectionList->setObjectName(QStringLiteral("ConnectionList"));
    ConnectionList->addItems(connections);
    if (ConnectionList->count() > 0)
        ConnectionList->setCurrentRow(0);

    auto *presetLabel = new QLabel(
        QStringLiteral("Now select which set of of time-zone presets to use when you dial-up with this ISP :"), this);
    presetLabel->setWordWrap(true);
    PresetList = new QListWidget(this);
    PresetList->setObjectName(QStringLiteral("PresetList"));
    PresetList->addItems(presets);
    PresetList->setCurrentRow(-1);

    OkButton = new QPushButton(QStringLiteral("&OK"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(connectionLabel);
    layout->addWidget(ConnectionList);
    layout->addWidget(presetLabel);
    layout->addWidget(PresetList);
    layout->addLayout(buttons);
    resize(380, 400);

    connect(OkButton, &QPushButton::clicked, this, &TWizardISPForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QString TWizardISPForm::connection() const
{
    const QListWidgetItem *item = ConnectionList->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

QString TWizardISPForm::preset() const
{
    const QListWidgetItem *item = PresetList->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void TWizardISPForm::OkButtonClick()
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
