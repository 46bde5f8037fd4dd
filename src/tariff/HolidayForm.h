#pragma once

#include "tariff/TariffEditing.h"

#include <QDialog>

class QCalendarWidget;
class QLabel;
class QListWidget;
class QPushButton;
struct AppContext;

// "Define Public Holidays": the holiday list of the ISP viewed on the phone
// charges page, picked from a calendar. Written only by OK.
class THolidayForm : public QDialog
{
    Q_OBJECT

public:
    explicit THolidayForm(AppContext &ctx, QWidget *parent = nullptr);

    QCalendarWidget *calendar() const { return m_calendar; }
    QLabel *monthLabel() const { return m_monthLabel; }
    QListWidget *holidayList() const { return m_holidayList; }
    QPushButton *previousMonthButton() const { return m_previousButton; }
    QPushButton *nextMonthButton() const { return m_nextButton; }
    QPushButton *addButton() const { return m_addButton; }
    QPushButton *removeButton() const { return m_removeButton; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

private:
    void stepMonth(int step);
    void showMonthName();
    void refillList();
    void onAddClicked();
    void onRemoveClicked();
    void onOkClicked();

    AppContext &m_ctx;
    HolidayList m_holidays;
    QCalendarWidget *m_calendar = nullptr;
    QLabel *m_monthLabel = nullptr;
    QListWidget *m_holidayList = nullptr;
    QPushButton *m_previousButton = nullptr;
    QPushButton *m_nextButton = nullptr;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
