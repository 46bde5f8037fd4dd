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
    m_onlineTimeGroup = group(QStringLiteral("Time Online"),
                              QStringLiteral("Alarm activates after session has been open for"), m_onlineTimeCheck,
                              m_onlineHoursEdit, m_onlineMinutesEdit, m_onlineHangUpCheck, true);
    m_specificTimeGroup = group(QStringLiteral("Specific Time"), QStringLiteral("Alarm activates at specific time"),
                                m_specificTimeCheck, m_specificHoursEdit, m_specificMinutesEdit, m_specificHangUpCheck,
                                false);
    // The two groups share one place; the opener decides which is in front.
    m_groups = new QStackedWidget;
    m_groups->addWidget(m_onlineTimeGroup);
    m_groups->addWidget(m_specificTimeGroup);

    auto *buttons = new QDialogButtonBox;
    QPushButton *ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("OkButton"));
    cancel->setObjectName(QStringLiteral("CancelButton"));
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &TQuickAlarmsForm::onOkClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_groups);
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
    m_onlineTimeCheck->setChecked(online);
    m_specificTimeCheck->setChecked(!online);
    m_groups->setCurrentWidget(online ? m_onlineTimeGroup : m_specificTimeGroup);
}

QWidget *TQuickAlarmsForm::currentGroup() const
{
    return m_groups->currentWidget();
}

void TQuickAlarmsForm::showEvent(QShowEvent *event)
{
    PROCEDURE_GUARD(m_ctx, "QuickAlarms", "FormShow");
    const AlarmState &a = m_ctx.alarms;
    if (a.OnlineTimeAlarmArmed) {
        m_onlineTimeCheck->setChecked(true);
        m_onlineHangUpCheck->setChecked(a.OnlineTimeAlarmHangUp);
        m_onlineHoursEdit->setText(twoDigits(a.OnlineTimeAlarmMinutes / 60));
        m_onlineMinutesEdit->setText(twoDigits(a.OnlineTimeAlarmMinutes % 60));
    } else {
        m_onlineHoursEdit->setText(QStringLiteral("00"));
        m_onlineMinutesEdit->setText(QStringLiteral("00"));
        m_onlineHangUpCheck->setChecked(false);
    }
    if (a.ClockTimeAlarmArmed) {
        m_specificTimeCheck->setChecked(true);
        m_specificHangUpCheck->setChecked(a.ClockTimeAlarmHangUp);
        m_specificHoursEdit->setText(twoDigits(a.ClockTimeAlarmMinutes / 60));
        m_specificMinutesEdit->setText(twoDigits(a.ClockTimeAlarmMinutes % 60));
    } else {
        m_specificHoursEdit->setText(QStringLiteral("00"));
        m_specificMinutesEdit->setText(QStringLiteral("00"));
        m_specificHangUpCheck->setChecked(false);
    }
    QDialog::showEvent(event);
}

void TQuickAlarmsForm::onOkClicked()
{
    QuickAlarmChoice c;
    c.onlineTimeArmed = m_onlineTimeCheck->isChecked();
    c.onlineHours = fieldValue(m_onlineHoursEdit);
    c.onlineMinutes = fieldValue(m_onlineMinutesEdit);
    c.onlineTimeHangUp = m_onlineHangUpCheck->isChecked();
    c.clockTimeArmed = m_specificTimeCheck->isChecked();
    c.clockHours = fieldValue(m_specificHoursEdit);
    c.clockMinutes = fieldValue(m_specificMinutesEdit);
    c.clockTimeHangUp = m_specificHangUpCheck->isChecked();
    ApplyQuickAlarms(m_ctx, c);
    accept();
}

