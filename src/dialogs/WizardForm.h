#pragma once

#include "dialogs/SetupWizard.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTreeWidget;
struct AppContext;

// One bill-date row of the wizard: a pick list or day and month boxes.
struct WizardBillDateControls {
    QComboBox *accountCombo = nullptr;
    QLabel *billDateLabel = nullptr;
    QComboBox *billCombo = nullptr;
    QLabel *dayLabel = nullptr;
    QLineEdit *dayEdit = nullptr;
    QLabel *monthLabel = nullptr;
    QLineEdit *monthEdit = nullptr;
    QLabel *ofEachLabel = nullptr;
    QLabel *periodLabel = nullptr;
};

// The setup wizard: nine pages collecting WizardAnswers; nothing is stored
// before "&Finish" on the last page.
class TWizardForm : public QDialog
{
    Q_OBJECT

public:
    explicit TWizardForm(AppContext &ctx, QWidget *parent = nullptr);
    ~TWizardForm() override;

    int currentPage() const { return m_page; }
    WizardAnswers answers() const;
    // Set when a first run was cancelled: the program is to end.
    bool endProgram() const { return m_endProgram; }

    QLabel *titleLabel() const { return m_titleLabel; }
    QPushButton *backButton() const { return m_backButton; }
    QPushButton *nextButton() const { return m_nextButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }  // "&Cancel", "&Finish" on the last page
    QPushButton *helpButton() const { return m_helpButton; }
    QRadioButton *singleUserRadio() const { return m_singleUserRadio; }
    QRadioButton *multipleUsersRadio() const { return m_multipleUsersRadio; }
    QCheckBox *adminOnlyCheck() const { return m_adminOnlyCheck; }
    QLineEdit *adminPasswordEdit() const { return m_adminPasswordEdit; }
    QLineEdit *adminConfirmEdit() const { return m_adminConfirmEdit; }
    const WizardBillDateControls &adminBillDate() const { return m_adminBillDate; }
    QLineEdit *userLoginEdit() const { return m_userLoginEdit; }
    QLineEdit *userPasswordEdit() const { return m_userPasswordEdit; }
    QLineEdit *userConfirmEdit() const { return m_userConfirmEdit; }
    const WizardBillDateControls &userBillDate() const { return m_userBillDate; }
    QTreeWidget *presetList() const { return m_presetList; }
    QTreeWidget *ispList() const { return m_ispList; }
    QPushButton *addIspButton() const { return m_addIspButton; }
    QPushButton *removeIspButton() const { return m_removeIspButton; }
    QCheckBox *onlineReminderCheck() const { return m_onlineReminderCheck; }
    QLineEdit *hoursEdit() const { return m_hoursEdit; }
    QLineEdit *minutesEdit() const { return m_minutesEdit; }
    QCheckBox *onlineHangUpCheck() const { return m_onlineHangUpCheck; }
    QCheckBox *costReminderCheck() const { return m_costReminderCheck; }
    QLabel *currencyLabel() const { return m_currencyLabel; }
    QLineEdit *costEdit() const { return m_costEdit; }
    QCheckBox *costHangUpCheck() const { return m_costHangUpCheck; }
    QListWidget *securityList() const { return m_securityList; }

    // Runs "&Add..." with a picker the caller has filled in (tests, or the
    // real dialog): adds its row when the picker accepts.
    void addIspRow(const QString &connection, const QString &preset);

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildWelcomePage();
    QWidget *buildUserPage1();
    QWidget *buildUserPage2();
    QWidget *buildUserPage3();
    QWidget *buildPresetPage();
    QWidget *buildIspPage();
    QWidget *buildAlarmPage();
    QWidget *buildSecurityPage();
    QWidget *buildFinishedPage();
    void buildBillDateRow(WizardBillDateControls &row, QWidget *page);

    void onNextClicked();
    void onBackClicked();
    void onCancelClicked();
    void onAddIspClicked();
    void onRemoveIspClicked();

    void FormShow();
    void showPage(int page);
    void fillPresetList();
    void rebuildBillDateRow(WizardBillDateControls &row);
    void updateReminderControls();
    void finish();

    AppContext &m_ctx;
    int m_page = 0;
    bool m_endProgram = false;

    QLabel *m_titleLabel = nullptr;
    QStackedWidget *m_pages = nullptr;
    QPushButton *m_backButton = nullptr;
    QPushButton *m_nextButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_helpButton = nullptr;
    QRadioButton *m_singleUserRadio = nullptr;
    QRadioButton *m_multipleUsersRadio = nullptr;
    QCheckBox *m_adminOnlyCheck = nullptr;
    QLineEdit *m_adminPasswordEdit = nullptr;
    QLineEdit *m_adminConfirmEdit = nullptr;
    WizardBillDateControls m_adminBillDate;
    QLineEdit *m_userLoginEdit = nullptr;
    QLineEdit *m_userPasswordEdit = nullptr;
    QLineEdit *m_userConfirmEdit = nullptr;
    WizardBillDateControls m_userBillDate;
    QTreeWidget *m_presetList = nullptr;
    QLabel *m_downloadLabel = nullptr;
    QTreeWidget *m_ispList = nullptr;
    QPushButton *m_addIspButton = nullptr;
    QPushButton *m_removeIspButton = nullptr;
    QCheckBox *m_onlineReminderCheck = nullptr;
    QLineEdit *m_hoursEdit = nullptr;
    QLineEdit *m_minutesEdit = nullptr;
    QLabel *m_hoursMinutesLabel = nullptr;
    QCheckBox *m_onlineHangUpCheck = nullptr;
    QCheckBox *m_costReminderCheck = nullptr;
    QLabel *m_currencyLabel = nullptr;
    QLineEdit *m_costEdit = nullptr;
    QCheckBox *m_costHangUpCheck = nullptr;
    QListWidget *m_securityList = nullptr;
};

// What became of one opening of the wizard.
enum class WizardOutcome { Finished, Closed, EndProgram };

// ShowWizardForm: creates the wizard, shows it modally and releases it;
// after "&Finish" logs user 1 in through the login dialog and opens the
// account window.
WizardOutcome ShowWizardFormWindow(AppContext &ctx, QWidget *parent = nullptr);
