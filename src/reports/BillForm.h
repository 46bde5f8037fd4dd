#pragma once

#include "account_window/AccountPeriodList.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct AppContext;

// "Account bill": connections, time and cost of one account period of the
// logged-in user, and the bill date on which the user's periods begin.
class TBillForm : public QDialog
{
    Q_OBJECT

public:
    explicit TBillForm(AppContext &ctx, QWidget *parent = nullptr);

    // Rebuilds the lists and figures for showing; endOfPeriod shows the
    // notice that the account period has ended.
    void prepare(bool endOfPeriod);

    // The entry of the period list in view (the printout starts on it).
    int selectedPeriod() const;

    QComboBox *accountCombo() const { return m_accountCombo; }
    QLineEdit *connectionsText() const { return m_connectionsText; }
    QLineEdit *onlineText() const { return m_onlineText; }
    QLineEdit *costText() const { return m_costText; }
    QLabel *headingLabel() const { return m_headingLabel; }
    QLabel *endOfPeriodLabel() const { return m_endOfPeriodLabel; }
    QComboBox *billDateCombo() const { return m_billDateCombo; }
    QLabel *unitLabel() const { return m_unitLabel; }
    QLineEdit *dayEdit() const { return m_dayEdit; }
    QLineEdit *monthEdit() const { return m_monthEdit; }
    QPushButton *printButton() const { return m_printButton; }
    QPushButton *okButton() const { return m_okButton; }

Q_SIGNALS:
    // "&Print": the owner opens the session printout.
    void printRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillPeriods();
    void showStatistics();
    void showBillDate();
    void onBillDateChosen(int entry);
    void onDayMonthLeft();
    void onBoxEdited(QLineEdit *box);
    void billDateChanged(const QString &billDate);

    AppContext &m_ctx;
    AccountPeriodList m_periods;
    int m_accountType = 0;
    bool m_filling = false;

    QComboBox *m_accountCombo = nullptr;
    QLineEdit *m_connectionsText = nullptr;
    QLineEdit *m_onlineText = nullptr;
    QLineEdit *m_costText = nullptr;
    QLabel *m_headingLabel = nullptr;
    QLabel *m_endOfPeriodLabel = nullptr;
    QComboBox *m_billDateCombo = nullptr;
    QLabel *m_unitLabel = nullptr;
    QLabel *m_dayLabel = nullptr;
    QLabel *m_monthLabel = nullptr;
    QLineEdit *m_dayEdit = nullptr;
    QLineEdit *m_monthEdit = nullptr;
    QPushButton *m_printButton = nullptr;
    QPushButton *m_okButton = nullptr;
};
