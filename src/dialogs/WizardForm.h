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

    QLabel *TitleLabel;
    QStackedWidget *Pages;
    QPushButton *BackButton;
    QPushButton *NextButton;
    QPushButton *CancelButton;  // "&Cancel", "&Finish" on the last page
    QPushButton *HelpButton;

    QRadioButton *SingleUserRadio;
    QRadioButton *MultipleUsersRadio;
    QCheckBox *AdminOnlyCheck;

    QLineEdit *AdminPasswordEdit;
    QLineEdit *AdminConfirmEdit;
    WizardBillDateControls Admin;

    QLineEdit *UserLoginEdit;
    QLineEdit *UserPasswordEdit;
    QLineEdit *UserConfirmEdit;
    WizardBillDateControls User;

    QTreeWidget *PresetList;
    QLabel *DownloadLabel;

    QTreeWidget *IspList;
    QPushButton *AddIspButton;
    QPushButton *RemoveIspButton;

    QCheckBox *OnlineReminderCheck;
    QLineEdit *HoursEdit;
    QLineEdit *MinutesEdit;
    QLabel *HoursMinutesLabel;
    QCheckBox *OnlineHangUpCheck;
    QCheckBox *CostReminderCheck;
    QLabel *CurrencyLabel;
    QLineEdit *CostEdit;
    QCheckBox *CostHangUpCheck;

    QListWidget *SecurityList;

    // Runs "&Add..." with a picker the caller has filled in (tests, or the
    // real dialog): adds its row when the picker accepts.
    void addIspRow(const QString &connection, const QString &preset);

public Q_SLOTS:
    void NextButtonClick();
    void BackButtonClick();
    void CancelButtonClick();
    void AddIspButtonClick();
    void RemoveIspButtonClick();
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

    void FormShow();
    void showPage(int page);
    void fillPresetList();
    void rebuildBillDateRow(WizardBillDateControls &row);
    void updateReminderControls();
    void finish();

    AppContext &m_ctx;
    int m_page = 0;
    bool m_endProgram = false;
};

// What became of one opening of the wizard.
enum class WizardOutcome { Finished, Closed, EndProgram };

// ShowWizardForm: creates the wizard, shows it modally and releases it;
// after "&Finish" logs user 1 in through the login dialog and opens the
// account window.
WizardOutcome ShowWizardFormWindow(AppContext &ctx, QWidget *parent = nullptr);
