#include "tariff/TimeZoneForm.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "tariff/TariffEditing.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char *const MaximumProperty = "timeMaximum";

} // namespace

TTimeZoneForm::TTimeZoneForm(AppContext &ctx, int dayType, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_dayType(dayType)
{
    setObjectName(QStringLiteral("TimeZoneForm"));
    setWindowTitle(QStringLiteral("Add time zone"));

    m_startHoursEdit = makeTimeEdit("StartHoursEdit", 23);
    m_startMinutesEdit = makeTimeEdit("StartMinutesEdit", 59);
    m_endHoursEdit = makeTimeEdit("EndHoursEdit", 23);
    m_endMinutesEdit = makeTimeEdit("EndMinutesEdit", 59);
    m_allDayCheck = new QCheckBox(QStringLiteral("All Day"));
    m_allDayCheck->setObjectName(QStringLiteral("AllDayCheck"));

    auto *times = new QGridLayout;
    const auto row = [&](int r, const QString &caption, QLineEdit *hours, QLineEdit *minutes) {
        auto *label = new QLabel(caption);
        auto *colon = new QLabel(QStringLiteral(":"));
        auto *unit = new QLabel(QStringLiteral("(hrs : mins)"));
        m_timeLabels << label << colon << unit;
        times->addWidget(label, r, 0);
        times->addWidget(hours, r, 1);
        times->addWidget(colon, r, 2);
        times->addWidget(minutes, r, 3);
        times->addWidget(unit, r, 4);
    };
    row(0, QStringLiteral("Start time :"), m_startHoursEdit, m_startMinutesEdit);
    row(1, QStringLiteral("End time :"), m_endHoursEdit, m_endMinutesEdit);
    times->addWidget(m_allDayCheck, 2, 0, 1, 5);
    times->setColumnStretch(5, 1);

    m_okButton = new QPushButton(QStringLiteral("&OK"));
    m_okButton->setObjectName(QStringLiteral("OkButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"));
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    auto *helpButton = new QPushButton(QStringLiteral("&Help"));
    helpButton->setObjectName(QStringLiteral("HelpButton"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(helpButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(times);
    layout->addLayout(buttons);

    connect(m_allDayCheck, &QCheckBox::toggled, this, &TTimeZoneForm::onAllDayToggled);
    connect(m_okButton, &QPushButton::clicked, this, &TTimeZoneForm::onOkClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton, &QPushButton::clicked, this,
            [this] { m_ctx.ui.showHelp(QStringLiteral("IDH_time_zone_settings")); });
    resetTimes();
}

QLineEdit *TTimeZoneForm::makeTimeEdit(const char *name, int maximum)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    // Typing beyond two characters keeps the first two.
    edit->setMaxLength(2);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12);
    edit->setProperty(MaximumProperty, maximum);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] { tidyTimeEdit(edit); });
    return edit;
}

void TTimeZoneForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    resetTimes();
}

bool TTimeZoneForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (auto *edit = qobject_cast<QLineEdit *>(watched))
            QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
    }
    return QDialog::eventFilter(watched, event);
}

void TTimeZoneForm::resetTimes()
{
    for (QLineEdit *edit : {m_startHoursEdit, m_startMinutesEdit, m_endHoursEdit, m_endMinutesEdit})
        edit->setText(QStringLiteral("00"));
}

void TTimeZoneForm::tidyTimeEdit(QLineEdit *edit)
{
    edit->setText(TwoDigitTimeText(ClampedTimeField(edit->text(), edit->property(MaximumProperty).toInt())));
}

void TTimeZoneForm::onAllDayToggled(bool allDay)
{
    for (QLineEdit *edit : {m_startHoursEdit, m_startMinutesEdit, m_endHoursEdit, m_endMinutesEdit}) {
        edit->setEnabled(!allDay);
        if (allDay)
            edit->setText(QStringLiteral("00"));
    }
    for (QLabel *label : m_timeLabels)
        label->setEnabled(!allDay);
}

void TTimeZoneForm::onOkClicked()
{
    PROCEDURE_GUARD(m_ctx, "TimeZone", "OKButtonClick");
    for (QLineEdit *edit : {m_startHoursEdit, m_startMinutesEdit, m_endHoursEdit, m_endMinutesEdit})
        tidyTimeEdit(edit);
    const int start = m_startHoursEdit->text().toInt() * 60 + m_startMinutesEdit->text().toInt();
    const int end = BandEndMinute(m_endHoursEdit->text().toInt(), m_endMinutesEdit->text().toInt());
    if (AddTimeZone(m_ctx, m_dayType, start, end))
        accept();
}
