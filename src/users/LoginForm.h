#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct AppContext;

// The login dialog: pick a user, type the password. The checks and the
// log-in itself are LogInWithPassword's; the dialog only closes when it
// succeeds.
class TLoginForm : public QDialog
{
    Q_OBJECT

public:
    explicit TLoginForm(AppContext &ctx, QWidget *parent = nullptr);

    QLabel *Label1;
    QComboBox *UserNameCombo;
    QLineEdit *PasswordText;
    QPushButton *Button1;  // "&OK"
    QPushButton *Button2;  // "&Cancel"
    QPushButton *Button3;  // "&Help"

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormActivate();
    void Button1Click();
    void Button3Click();

    AppContext &m_ctx;
};
