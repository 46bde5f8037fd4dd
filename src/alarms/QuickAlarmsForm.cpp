#include "alarms/QuickAlarmsForm.h"

#include "alarms/QuickAlarms.h"
#include "core/AppContext.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

int fieldValue(const QLineEdit *edit)
{
    return NormaliseQuickAlarmField(edit->text()).toInt();
}

QString twoDigits(int value)
{
    return QString::asprintf("%.2d", value);
}

} // namespace

TQuickAlarmsForm::TQuickAlarmsForm(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("QuickAlarmsForm"));
    setWindowTitle(QStringLiteral("One shot quick alarms "));

    auto *text = new QLabel(QStringLiteral(
        "One shot alarms allow for quick reminders. They are only valid for the current session. When the session "
        "is closed they are removed. For more advanced permanent alarms see the alarms tab in the main accounts "
        "window."));
    text->setWordWrap(true);

    const auto group = [this](const QString &title, const QString &activation, QCheckBox *&activationBox,
                              QLineEdit *&hours, QLineEdit *&minutes, QCheckBox *&hangUp, bool showUnits) {
        auto *box = new QGroupBox(title);
        activationBox = new QCheckBox(activation);
        hours = timeField();
        minutes = timeField();
        hangUp = new QCheckBox(QStringLiteral("Disconnect internet connection on activation"));
        auto *grid = new QGridLayout(box);
        grid->addWidget(activationBox, 0, 0, 1, 5);
        grid->addWidget(hours, 1, 0);
        grid->addWidget(new QLabel(QStringLiteral(":")), 1, 1);
        grid->addWidget(minutes, 1, 2);
        if (showUnits)
            grid->addWidget(new QLabel(QStringLiteral("(hrs : mins)")), 1, 3);
        grid->addWidget(hangUp, 2, 0, 1, 5);
        // The time fields stay together at the left; the spare width goes after them.
        grid->setColumnStretch(4, 1);
        return box;
    };
    TimeOnlineGroup = group(QStringLiteral("Time Online"), QStringLiteral("Alarm activates after session has been open for"),
                            OnlineTimeCheckBox, OnlineHoursEdit, OnlineMinutesEdit, OnlineHangUpCheckBox, true);
    SpecificTimeGroup = group(QStringLiteral("Specific Time"), QStringLiteral("Alarm activates at specific time"),
                              SpecificTimeCheckBox, SpecificHoursEdit, SpecificMinutesEdit, SpecificHangUpCheckBox,
                              false);
    // The two groups share one place; the opener decides which is in front.
    Groups = new QStackedWidget;
    Groups->addWidget(TimeOnlineGroup);
    Groups->addWidget(SpecificTimeGroup);

    auto *buttons = new QDialogButtonBox;
    QPushButton *ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("Button1"));
    cancel->setObjectName(QStringLiteral("Button2"));
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &TQuickAlarmsForm::Button1Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(Groups);
    layout->addWidget(buttons);
}

QLineEdit *TQuickAlarmsForm::timeField()
{
    auto *edit = new QLineEdit(QStringLiteral("00"));
    edit->setMaxLength(2);
    edit->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    edit->installEventFilter(this);
    const auto normalise = [edit] { edit->setText(NormaliseQuickAlarmField(edit->text())); };
    connect(edit, &QLineEdit::editingFinished, edit, normalise);
    return edit;
}

bool TQuickAlarmsForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (auto *edit = qobject_cast<QLineEdit *>(watched))
            // After the press has placed the caret, so the selection stays.
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

void TQuickAlarmsForm::prepare(Opener opener)
{
    const bool online = opener == Opener::OnlineTimeAlarm;
    OnlineTimeCheckBox->setChecked(online);
    SpecificTimeCheckBox->setChecked(!online);
    Groups->setCurrentWidget(online ? TimeOnlineGroup : SpecificTimeGroup);
}

void TQuickAlarmsForm::showEvent(QShowEvent *event)
{
    PROCEDURE_GUARD(m_ctx, "QuickAlarms", "FormShow");
    const AlarmState &a = m_ctx.alarms;
    if (a.OnlineTimeAlarmArmed) {
        OnlineTimeCheckBox->setChecked(true);
        OnlineHangUpCheckBox->setChecked(a.OnlineTimeAlarmHangUp);
        OnlineHoursEdit->setText(twoDigits(a.OnlineTimeAlarmMinutes / 60));
        OnlineMinutesEdit->setText(twoDigits(a.OnlineTimeAlarmMinutes % 60));
    } else {
        OnlineHoursEdit->setText(QStringLiteral("00"));
        OnlineMinutesEdit->setText(QStringLiteral("00"));
        OnlineHangUpCheckBox->setChecked(false);
    }
    if (a.ClockTimeAlarmArmed) {
        SpecificTimeCheckBox->setChecked(true);
        SpecificHangUpCheckBox->setChecked(a.ClockTimeAlarmHangUp);
        SpecificHoursEdit->setText(twoDigits(a.ClockTimeAlarmMinutes / 60));
        SpecificMinutesEdit->setText(twoDigits(a.ClockTimeAlarmMinutes % 60));
    } else {
        SpecificHoursEdit->setText(QStringLiteral("00"));
        SpecificMinutesEdit->setText(QStringLiteral("00"));
        SpecificHangUpCheckBox->setChecked(false);
    }
    QDialog::showEvent(event);
}

void TQuickAlarmsForm::Button1Click()
{
    QuickAlarmChoice c;
    c.onlineTimeArmed = OnlineTimeCheckBox->isChecked();
    c.onlineHours = fieldValue(OnlineHoursEdit);
    c.onlineMinutes = fieldValue(OnlineMinutesEdit);
    c.onlineTimeHangUp = OnlineHangUpCheckBox->isChecked();
    c.clockTimeArmed = SpecificTimeCheckBox->isChecked();
    c.clockHours = fieldValue(SpecificHoursEdit);
    c.clockMinutes = fieldValue(SpecificMinutesEdit);
    c.clockTimeHangUp = SpecificHangUpCheckBox->isChecked();
    ApplyQuickAlarms(m_ctx, c);
    accept();
}

