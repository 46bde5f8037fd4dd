#include "users/LoginForm.h"

#include "core/AppContext.h"
#include "users/Users.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TLoginForm::TLoginForm(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("LoginForm"));
    setWindowTitle(QStringLiteral("Tallyline - User Login"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_instructionsLabel = new QLabel(QStringLiteral("Please enter your user name and password. "
                                                   "Please note that all entries are case sensitive."),
                                    this);
    m_instructionsLabel->setObjectName(QStringLiteral("InstructionsLabel"));
    m_instructionsLabel->setWordWrap(true);

    m_userNameCombo = new QComboBox(this);
    m_userNameCombo->setObjectName(QStringLiteral("UserNameCombo"));
    m_userNameCombo->setEditable(false);
    m_userNameCombo->setMinimumWidth(200);

    m_passwordEdit = new QLineEdit(this);
    m_passwordEdit->setObjectName(QStringLiteral("PasswordEdit"));
    // Shown as '*' rather than the platform's dot, like the rest of the program.
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    m_passwordEdit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));

    m_okButton = new QPushButton(QStringLiteral("&OK"), this);
    m_okButton->setObjectName(QStringLiteral("OkButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_helpButton = new QPushButton(QStringLiteral("&Help"), this);
    m_helpButton->setObjectName(QStringLiteral("HelpButton"));

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("User name"), m_userNameCombo);
    fields->addRow(QStringLiteral("Password"), m_passwordEdit);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_helpButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_instructionsLabel);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(m_okButton, &QPushButton::clicked, this, &TLoginForm::onOkClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_helpButton, &QPushButton::clicked, this, &TLoginForm::onHelpClicked);
}

void TLoginForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TLoginForm::FormActivate()
{
    PROCEDURE_GUARD(m_ctx, "Password", "FormActivate");
    m_userNameCombo->clear();
    m_userNameCombo->addItems(UserLoginNames(m_ctx));
    const int previous = m_ctx.settings.PreviousUser;
    if (previous != 0 && previous <= m_ctx.settings.NumberOfUsers) {
        m_userNameCombo->setCurrentIndex(previous - 1);
        m_passwordEdit->setFocus();
    }
    m_passwordEdit->clear();
}

void TLoginForm::onOkClicked()
{
    if (m_userNameCombo->count() == 0)
        return;
    if (LogInWithPassword(m_ctx, m_userNameCombo->currentText(), m_passwordEdit->text()) == LoginResult::LoggedIn)
        accept();
}

void TLoginForm::onHelpClicked()
{
    m_ctx.ui.showHelp(QStringLiteral("IDH_login_window"));
}

