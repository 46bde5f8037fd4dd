#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QPushButton;
struct AppContext;

// The Edit User dialog: a user's identity, password, account type, bill
// date and restrictions.
class TEditUserForm : public QDialog
{
    Q_OBJECT

public:
    explicit TEditUserForm(AppContext &ctx, QWidget *parent = nullptr);

    // Fills the dialog for user `user` ("Edit user"), or for a new user when
    // it is 0 ("Add new user").
    void prepare(int user);

    QTabWidget *pages() const { return m_pages; }
    QLineEdit *loginNameEdit() const { return m_loginNameEdit; }
    QLineEdit *realNameEdit() const { return m_realNameEdit; }
    QLineEdit *passwordEdit() const { return m_passwordEdit; }
    QLineEdit *confirmPasswordEdit() const { return m_confirmPasswordEdit; }
    QComboBox *accountCombo() const { return m_accountCombo; }
    QLabel *billDateLabel() const { return m_billDateLabel; }
    QComboBox *billDateCombo() const { return m_billDateCombo; }
    QLineEdit *dayEdit() const { return m_dayEdit; }
    QLineEdit *monthEdit() const { return m_monthEdit; }
    QLabel *periodLabel() const { return m_periodLabel; }
    QListWidget *restrictionsList() const { return m_restrictionsList; }
    QPushButton *okButton() const { return m_okButton; }

    // What choosing an account type does to the bill-date controls.
    void onAccountTypeChanged(int index);

private:
    QWidget *buildIdentificationPage();
    QWidget *buildRestrictionsPage();
    void onOkClicked();

    AppContext &m_ctx;
    int m_user = 0;
    // A stored account type the list does not offer ("Custom") is listed
    // after the four, and its bill date is kept as it was.
    QString m_keptBillDate;

    QTabWidget *m_pages = nullptr;
    QLineEdit *m_loginNameEdit = nullptr;
    QLineEdit *m_realNameEdit = nullptr;
    QLineEdit *m_passwordEdit = nullptr;
    QLineEdit *m_confirmPasswordEdit = nullptr;
    QComboBox *m_accountCombo = nullptr;
    QLabel *m_billDateLabel = nullptr;
    QComboBox *m_billDateCombo = nullptr;
    QLabel *m_dayLabel = nullptr;
    QLineEdit *m_dayEdit = nullptr;
    QLabel *m_monthLabel = nullptr;
    QLineEdit *m_monthEdit = nullptr;
    QLabel *m_periodLabel = nullptr;
    QListWidget *m_restrictionsList = nullptr;
    QPushButton *m_okButton = nullptr;
};
