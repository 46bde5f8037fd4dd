#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QStackedWidget;
struct AppContext;

// The one-shot quick alarms dialog: an online-time alarm and a clock-time
// alarm for the open session, each optionally hanging up.
class TQuickAlarmsForm : public QDialog
{
    Q_OBJECT

public:
    enum class Opener { OnlineTimeAlarm, SpecificTimeAlarm };

    explicit TQuickAlarmsForm(AppContext &ctx, QWidget *parent = nullptr);

    // What the tray item does before showing: ticks the chosen alarm, clears
    // the other and brings the chosen alarm's group to the front.
    void prepare(Opener opener);

    QGroupBox *TimeOnlineGroup;
    QGroupBox *SpecificTimeGroup;
    QStackedWidget *Groups;
    QCheckBox *OnlineTimeCheckBox;
    QLineEdit *OnlineHoursEdit;
    QLineEdit *OnlineMinutesEdit;
    QCheckBox *OnlineHangUpCheckBox;
    QCheckBox *SpecificTimeCheckBox;
    QLineEdit *SpecificHoursEdit;
    QLineEdit *SpecificMinutesEdit;
    QCheckBox *SpecificHangUpCheckBox;

    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *timeField();

    AppContext &m_ctx;
};
