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

    QLabel *instructionsLabel() const { return m_instructionsLabel; }
    QComboBox *userNameCombo() const { return m_userNameCombo; }
    QLineEdit *passwordEdit() const { return m_passwordEdit; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QPushButton *helpButton() const { return m_helpButton; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormActivate();
    void onOkClicked();
    void onHelpClicked();

    AppContext &m_ctx;
    QLabel *m_instructionsLabel = nullptr;
    QComboBox *m_userNameCombo = nullptr;
    QLineEdit *m_passwordEdit = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_helpButton = nullptr;
};
