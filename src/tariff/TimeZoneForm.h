#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct AppContext;

// "Add time zone": a new band of the viewed day type, from a start to an
// end time of day.
class TTimeZoneForm : public QDialog
{
    Q_OBJECT

public:
    TTimeZoneForm(AppContext &ctx, int dayType, QWidget *parent = nullptr);

    QLineEdit *startHoursEdit() const { return m_startHoursEdit; }
    QLineEdit *startMinutesEdit() const { return m_startMinutesEdit; }
    QLineEdit *endHoursEdit() const { return m_endHoursEdit; }
    QLineEdit *endMinutesEdit() const { return m_endMinutesEdit; }
    QCheckBox *allDayCheck() const { return m_allDayCheck; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *makeTimeEdit(const char *name, int maximum);
    void resetTimes();
    void tidyTimeEdit(QLineEdit *edit);
    void onAllDayToggled(bool allDay);
    void onOkClicked();

    AppContext &m_ctx;
    int m_dayType;
    QLineEdit *m_startHoursEdit = nullptr;
    QLineEdit *m_startMinutesEdit = nullptr;
    QLineEdit *m_endHoursEdit = nullptr;
    QLineEdit *m_endMinutesEdit = nullptr;
    QList<QLabel *> m_timeLabels;
    QCheckBox *m_allDayCheck = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
