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

    QGroupBox *onlineTimeGroup() const { return m_onlineTimeGroup; }
    QGroupBox *specificTimeGroup() const { return m_specificTimeGroup; }
    // The group in front.
    QWidget *currentGroup() const;
    QCheckBox *onlineTimeCheck() const { return m_onlineTimeCheck; }
    QLineEdit *onlineHoursEdit() const { return m_onlineHoursEdit; }
    QLineEdit *onlineMinutesEdit() const { return m_onlineMinutesEdit; }
    QCheckBox *onlineHangUpCheck() const { return m_onlineHangUpCheck; }
    QCheckBox *specificTimeCheck() const { return m_specificTimeCheck; }
    QLineEdit *specificHoursEdit() const { return m_specificHoursEdit; }
    QLineEdit *specificMinutesEdit() const { return m_specificMinutesEdit; }
    QCheckBox *specificHangUpCheck() const { return m_specificHangUpCheck; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *timeField();
    void onOkClicked();

    AppContext &m_ctx;
    QGroupBox *m_onlineTimeGroup = nullptr;
    QGroupBox *m_specificTimeGroup = nullptr;
    QStackedWidget *m_groups = nullptr;
    QCheckBox *m_onlineTimeCheck = nullptr;
    QLineEdit *m_onlineHoursEdit = nullptr;
    QLineEdit *m_onlineMinutesEdit = nullptr;
    QCheckBox *m_onlineHangUpCheck = nullptr;
    QCheckBox *m_specificTimeCheck = nullptr;
    QLineEdit *m_specificHoursEdit = nullptr;
    QLineEdit *m_specificMinutesEdit = nullptr;
    QCheckBox *m_specificHangUpCheck = nullptr;
};
