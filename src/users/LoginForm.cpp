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

    Label1 = new QLabel(QStringLiteral("Please enter your user name and password. "
                                       "Please note that all entries are case sensitive."),
                        this);
    Label1->setWordWrap(true);

    UserNameCombo = new QComboBox(this);
    UserNameCombo->setObjectName(QStringLiteral("UserNameCombo"));
    UserNameCombo->setEditable(false);
    UserNameCombo->setMinimumWidth(200);

    PasswordText = new QLineEdit(this);
    PasswordText->setObjectName(QStringLiteral("PasswordText"));
    // Shown as '*' rather than the platform's dot, like the rest of the program.
    PasswordText->setEchoMode(QLineEdit::Password);
    PasswordText->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button3 = new QPushButton(QStringLiteral("&Help"), this);
    Button3->setObjectName(QStringLiteral("Button3"));

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("User name"), UserNameCombo);
    fields->addRow(QStringLiteral("Password"), PasswordText);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, &TLoginForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, &TLoginForm::Button3Click);
}

void TLoginForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TLoginForm::FormActivate()
{
    PROCEDURE_GUARD(m_ctx, "Password", "FormActivate");
    UserNameCombo->clear();
    UserNameCombo->addItems(UserLoginNames(m_ctx));
    const int previous = m_ctx.settings.PreviousUser;
    if (previous != 0 && previous <= m_ctx.settings.NumberOfUsers) {
        UserNameCombo->setCurrentIndex(previous - 1);
        PasswordText->setFocus();
    }
    PasswordText->clear();
}

void TLoginForm::Button1Click()
{
    if (UserNameCombo->count() == 0)
        return;
    if (LogInWithPassword(m_ctx, UserNameCombo->currentText(), PasswordText->text()) == LoginResult::LoggedIn)
        accept();
}

void TLoginForm::Button3Click()
{
    m_ctx.ui.showHelp(QStringLiteral("IDH_login_window"));
}

