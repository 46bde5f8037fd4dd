#include "alarms/AlarmForm.h"

#include "alarms/AlarmList.h"
#include "core/AppContext.h"
#include "platform/SoundPlayer.h"
#include "store/FloatText.h"
#include "tariff/DayTypes.h"
#include "tariff/IspRecord.h"
#include "tariff/gui/EditorFields.h"
#include "users/UserRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QStringList &weekdayNames()
{
    static const QStringList names = {QStringLiteral("Monday"),    QStringLiteral("Tuesday"),
                                      QStringLiteral("Wednesday"), QStringLiteral("Thursday"),
                                      QStringLiteral("Friday"),    QStringLiteral("Saturday"),
                                      QStringLiteral("Sunday")};
    return names;
}

int fieldValue(const QLineEdit *edit)
{
    return edit->text().trimmed().toInt();
}

// An hours box, ":", a minutes box and, where wanted, "(hrs : mins)".
QHBoxLayout *timeRow(QLineEdit *hours, QLineEdit *minutes, QLabel *units = nullptr, QLabel **colon = nullptr)
{
    auto *row = new QHBoxLayout;
    auto *separator = new QLabel(QStringLiteral(":"));
    row->addWidget(hours);
    row->addWidget(separator);
    row->addWidget(minutes);
    if (units)
        row->addWidget(units);
    row->addStretch(1);
    if (colon)
        *colon = separator;
    return row;
}

} // namespace

TAlarmForm::TAlarmForm(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("AlarmForm"));
    setWindowTitle(QStringLiteral("Add new alarm"));

    m_pages = new QTabWidget;
    m_pages->addTab(buildGeneralPage(), QStringLiteral("General"));
    m_pages->addTab(buildTimeZonePage(), QStringLiteral("Time-zone"));

    QDialogButtonBox *buttons = MakeEditorButtons(this, m_ctx.ui, QStringLiteral("IDH_online_alarms"),
                                                  [this] { onOkClicked(); }, &m_okButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);
}

QWidget *TAlarmForm::buildGeneralPage()
{
    auto *page = new QWidget;
    m_typeCombo = new QComboBox;
    m_typeCombo->setObjectName(QStringLiteral("AlarmTypeCombo"));
    m_typeCombo->addItems(AlarmTypeNames());
    connect(m_typeCombo, &QComboBox::activated, this, &TAlarmForm::onTypeChosen);

    m_limitLabel = new QLabel;
    m_limitHoursEdit = timeField(99);
    m_limitMinutesEdit = timeField(59);
    m_limitUnits = new QLabel(QStringLiteral("(hrs : mins)"));
    m_allowanceEdit = new QLineEdit;
    m_allowanceEdit->setObjectName(QStringLiteral("AllowanceEdit"));
    m_allowanceEdit->setFixedWidth(m_allowanceEdit->fontMetrics().horizontalAdvance(QStringLiteral("000000000")) + 12);
    SelectAllOnClick(m_allowanceEdit);
    connect(m_allowanceEdit, &QLineEdit::textEdited, this, &TAlarmForm::onAllowanceEdited);
    m_messageLabel = new QLabel(QStringLiteral("Message :"));
    m_customMessageEdit = new QLineEdit;
    m_customMessageEdit->setObjectName(QStringLiteral("CustomMessageEdit"));

    auto *limitRow = timeRow(m_limitHoursEdit, m_limitMinutesEdit, m_limitUnits, &m_limitColon);
    limitRow->insertWidget(3, m_allowanceEdit);

    auto *limits = new QGridLayout;
    limits->addWidget(new QLabel(QStringLiteral("Alarm type :")), 0, 0);
    limits->addWidget(m_typeCombo, 0, 1, Qt::AlignLeft);
    limits->addWidget(m_limitLabel, 1, 0);
    limits->addLayout(limitRow, 1, 1);
    limits->addWidget(m_messageLabel, 2, 0);
    limits->addWidget(m_customMessageEdit, 2, 1);
    limits->setColumnStretch(1, 1);

    m_repeatCheck = new QCheckBox(QStringLiteral("Repeat alarm on every multiple of the limit"));
    m_hangUpCheck = new QCheckBox(QStringLiteral("Disconnect modem"));

    m_playWaveCheck = new QCheckBox(QStringLiteral("Play a wave (.wav) file."));
    m_waveFileLabel = new QLabel;
    m_waveFileLabel->setObjectName(QStringLiteral("WaveFileLabel"));
    m_waveFileLabel->setFrameShape(QFrame::StyledPanel);
    m_waveFileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_waveFileLabel->setMinimumWidth(260);
    m_waveFileLabel->setMargin(2);
    m_browseButton = new QPushButton(QStringLiteral("&Browse..."));
    m_playButton = new QPushButton(QStringLiteral("&Play"));
    for (QPushButton *b : {m_browseButton, m_playButton})
        b->setAutoDefault(false);
    connect(m_playWaveCheck, &QCheckBox::toggled, this, &TAlarmForm::applyPlayWave);
    connect(m_browseButton, &QPushButton::clicked, this, &TAlarmForm::onBrowseClicked);
    connect(m_playButton, &QPushButton::clicked, this, &TAlarmForm::onPlayClicked);
    auto *sound = new QGroupBox(QStringLiteral("Sound"));
    auto *soundGrid = new QGridLayout(sound);
    soundGrid->addWidget(m_playWaveCheck, 0, 0, 1, 3);
    soundGrid->addWidget(m_waveFileLabel, 1, 0);
    soundGrid->addWidget(m_browseButton, 1, 1);
    soundGrid->addWidget(m_playButton, 1, 2);
    soundGrid->setColumnStretch(0, 1);

    m_useIspCheck = new QCheckBox(QStringLiteral("Only use on ISP :"));
    m_ispCombo = new QComboBox;
    m_ispCombo->setObjectName(QStringLiteral("IspCombo"));
    m_ispCombo->setMinimumContentsLength(16);
    connect(m_useIspCheck, &QCheckBox::toggled, m_ispCombo, &QWidget::setEnabled);
    auto *ispRow = new QHBoxLayout;
    ispRow->addWidget(m_useIspCheck);
    ispRow->addWidget(m_ispCombo);
    ispRow->addStretch(1);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(limits);
    layout->addWidget(m_repeatCheck);
    layout->addWidget(m_hangUpCheck);
    layout->addLayout(ispRow);
    layout->addWidget(sound);
    layout->addStretch(1);
    return page;
}

QWidget *TAlarmForm::buildTimeZonePage()
{
    auto *page = new QWidget;
    m_alwaysActiveCheck = new QCheckBox(QStringLiteral("Alarm active all the time"));
    connect(m_alwaysActiveCheck, &QCheckBox::toggled, this, &TAlarmForm::applyAlwaysActive);
    m_startLabel = new QLabel(QStringLiteral("Start time :"));
    m_endLabel = new QLabel(QStringLiteral("End time :"));
    m_startHoursEdit = timeField(99);
    m_startMinutesEdit = timeField(59);
    m_endHoursEdit = timeField(99);
    m_endMinutesEdit = timeField(59);
    m_daysList = MakeTickList(weekdayNames());
    m_daysList->setObjectName(QStringLiteral("DaysList"));
    m_daysList->setFixedWidth(m_daysList->fontMetrics().horizontalAdvance(QStringLiteral("Wednesday")) + 60);

    auto *times = new QGridLayout;
    times->addWidget(m_startLabel, 0, 0);
    times->addLayout(timeRow(m_startHoursEdit, m_startMinutesEdit, new QLabel(QStringLiteral("(hrs : mins)"))), 0, 1);
    times->addWidget(m_endLabel, 1, 0);
    times->addLayout(timeRow(m_endHoursEdit, m_endMinutesEdit, new QLabel(QStringLiteral("(hrs : mins)"))), 1, 1);
    times->setRowStretch(2, 1);

    auto *days = new QVBoxLayout;
    days->addWidget(new QLabel(QStringLiteral("Day of week")));
    days->addWidget(m_daysList);

    auto *columns = new QHBoxLayout;
    columns->addLayout(times, 1);
    columns->addLayout(days);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(m_alwaysActiveCheck);
    layout->addLayout(columns, 1);
    return page;
}

QLineEdit *TAlarmForm::timeField(int maximum)
{
    return MakeTimeField(this, maximum);
}

void TAlarmForm::fillIspList()
{
    // ISP 1, the default ISP, is not listed: an alarm for it needs no choice.
    m_ispCombo->clear();
    const int isps = ReadUserRecord(m_ctx.store, m_ctx.login.CurrentUser).numberOfISPs;
    for (int i = 2; i <= isps; ++i)
        m_ispCombo->addItem(ReadIspRecord(m_ctx.store, m_ctx.login.CurrentUser, i).ispName);
}

void TAlarmForm::prepare(int alarm)
{
    PROCEDURE_GUARD(m_ctx, "Alarm", "FormActivate");
    m_alarm = alarm;
    m_pages->setCurrentIndex(0);
    fillIspList();
    if (alarm > 0) {
        setWindowTitle(QStringLiteral("Edit alarm"));
        AlarmRecord r;
        ReadAlarmRecord(m_ctx, m_ctx.login.CurrentUser, alarm, r);
        setDays(r.Days);
        m_startHoursEdit->setText(QString::number(r.StartTime / 60));
        m_startMinutesEdit->setText(QString::number(r.StartTime % 60));
        m_endHoursEdit->setText(QString::number(r.EndTime / 60));
        m_endMinutesEdit->setText(QString::number(r.EndTime % 60));
        m_limitHoursEdit->setText(QString::number(r.AllowanceTime / 60));
        m_limitMinutesEdit->setText(QString::number(r.AllowanceTime % 60));
        m_alwaysActiveCheck->setChecked(r.UseTimeZone != 1);
        m_useIspCheck->setChecked(r.UseISP == 1);
        m_repeatCheck->setChecked(r.RepeatAlarm == 1);
        m_hangUpCheck->setChecked(r.HangUpPhone == 1);
        m_typeCombo->setCurrentIndex(qBound(0, r.AlarmType, m_typeCombo->count() - 1));
        m_allowanceEdit->setText(FloatToStoreText(SafeStrToFloat(r.TotalCost)));
        m_customMessageEdit->setText(r.CustomMessage);
        m_waveFileLabel->setText(r.AlarmWaveFile);
        m_playWaveCheck->setChecked(r.AlarmWaveFile != QLatin1String("None"));
        m_ispCombo->setCurrentIndex(r.ISPIndex - 2 < m_ispCombo->count() ? r.ISPIndex - 2 : -1);
    } else {
        setWindowTitle(QStringLiteral("Add new alarm"));
        setDays(0x7f);
        m_alwaysActiveCheck->setChecked(true);
        m_typeCombo->setCurrentIndex(SessionTimeAlarm);
        for (QLineEdit *edit : {m_limitHoursEdit, m_limitMinutesEdit, m_startHoursEdit, m_startMinutesEdit,
                                m_endHoursEdit, m_endMinutesEdit})
            edit->setText(QStringLiteral("00"));
        m_allowanceEdit->setText(QStringLiteral("0"));
        m_customMessageEdit->clear();
        const QString sound = m_ctx.startup.programDirectory + QStringLiteral("Uh oh.wav");
        m_waveFileLabel->setText(QDir::toNativeSeparators(sound));
        m_playWaveCheck->setChecked(true);
        m_useIspCheck->setChecked(false);
        m_repeatCheck->setChecked(false);
        m_hangUpCheck->setChecked(false);
        const int position = m_ctx.tariff.CurrentTimeZoneISP - 2;
        m_ispCombo->setCurrentIndex(position < m_ispCombo->count() ? position : -1);
    }
    m_shownType = m_typeCombo->currentIndex();
    m_limitHoursEdit->setText(NormaliseTimeField(m_limitHoursEdit->text(), 99));
    m_limitMinutesEdit->setText(NormaliseTimeField(m_limitMinutesEdit->text(), 59));
    m_startHoursEdit->setText(NormaliseTimeField(m_startHoursEdit->text(), 99));
    m_startMinutesEdit->setText(NormaliseTimeField(m_startMinutesEdit->text(), 59));
    m_endHoursEdit->setText(NormaliseTimeField(m_endHoursEdit->text(), 99));
    m_endMinutesEdit->setText(NormaliseTimeField(m_endMinutesEdit->text(), 59));
    m_ispCombo->setEnabled(m_useIspCheck->isChecked());
    applyAlwaysActive();
    applyPlayWave();
    UpdateAlarmSettings();
    // Wide enough for the whole path of the sound.
    m_waveFileLabel->setToolTip(m_waveFileLabel->text());
    adjustSize();
}

void TAlarmForm::setDays(int days)
{
    SetTickedRows(m_daysList, days & 0x7f);
}

void TAlarmForm::UpdateAlarmSettings()
{
    const int type = m_shownType;
    const QString currency = QLocale().currencySymbol(QLocale::CurrencySymbol);
    static const char *const labels[] = {"Time online limit :", "Online cost limit :", "Total cost limit :",
                                         "Time online limit :", "Daily time limit :",  "Daily cost limit :",
                                         "Total time online :", "Downloaded (K) :",    "Downloaded (K) :"};
    const bool time = type == SessionTimeAlarm || type == CustomMessageAlarm || type == DailyTimeAlarm
                      || type == AccountTimeAlarm;
    const bool cost = type == SessionCostAlarm || type == AccountCostAlarm || type == DailyCostAlarm;
    QString label = QLatin1String(labels[qBound(0, type, 8)]);
    if (cost)
        label += QLatin1Char(' ') + currency;
    m_limitLabel->setText(label);
    for (QWidget *w : {static_cast<QWidget *>(m_limitHoursEdit), static_cast<QWidget *>(m_limitColon),
                       static_cast<QWidget *>(m_limitMinutesEdit), static_cast<QWidget *>(m_limitUnits)})
        w->setVisible(time);
    m_allowanceEdit->setVisible(!time);
    m_messageLabel->setVisible(type == CustomMessageAlarm);
    m_customMessageEdit->setVisible(type == CustomMessageAlarm);
}

void TAlarmForm::applyAlwaysActive()
{
    const bool always = m_alwaysActiveCheck->isChecked();
    SetTickListGreyed(m_daysList, always);
    for (QWidget *w : {static_cast<QWidget *>(m_startLabel), static_cast<QWidget *>(m_endLabel),
                       static_cast<QWidget *>(m_startHoursEdit), static_cast<QWidget *>(m_startMinutesEdit),
                       static_cast<QWidget *>(m_endHoursEdit), static_cast<QWidget *>(m_endMinutesEdit)})
        w->setEnabled(!always);
}

void TAlarmForm::applyPlayWave()
{
    const bool play = m_playWaveCheck->isChecked();
    m_browseButton->setEnabled(play);
    m_waveFileLabel->setEnabled(play);
    m_playButton->setEnabled(play);
}

void TAlarmForm::onTypeChosen(int type)
{
    if (type == m_shownType)
        return;
    m_shownType = type;
    UpdateAlarmSettings();
}

void TAlarmForm::onAllowanceEdited(const QString &text)
{
    if (text.size() > 8)
        m_allowanceEdit->setText(text.left(5));
}

void TAlarmForm::onBrowseClicked()
{
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Alarm wave file"),
                                                      m_ctx.startup.programDirectory,
                                                      QStringLiteral("Wave files (*.wav);;All files (*)"));
    if (!file.isEmpty()) {
        m_waveFileLabel->setText(QDir::toNativeSeparators(file));
        m_waveFileLabel->setToolTip(m_waveFileLabel->text());
    }
}

void TAlarmForm::onPlayClicked()
{
    const QString file = m_waveFileLabel->text();
    if (file != QLatin1String("None") && m_ctx.platform.sound)
        m_ctx.platform.sound->play(file);
}

AlarmEditorInput TAlarmForm::input() const
{
    AlarmEditorInput in;
    in.type = m_typeCombo->currentIndex();
    in.limitHours = fieldValue(m_limitHoursEdit);
    in.limitMinutes = fieldValue(m_limitMinutesEdit);
    in.allowanceText = m_allowanceEdit->text();
    in.customMessage = m_customMessageEdit->text();
    in.repeat = m_repeatCheck->isChecked();
    in.hangUp = m_hangUpCheck->isChecked();
    in.playWave = m_playWaveCheck->isChecked();
    in.waveFile = m_waveFileLabel->text();
    in.alwaysActive = m_alwaysActiveCheck->isChecked();
    in.useIsp = m_useIspCheck->isChecked();
    in.ispListPosition = m_ispCombo->currentIndex();
    in.startHours = fieldValue(m_startHoursEdit);
    in.startMinutes = fieldValue(m_startMinutesEdit);
    in.endHours = fieldValue(m_endHoursEdit);
    in.endMinutes = fieldValue(m_endMinutesEdit);
    in.days = TickedRows(m_daysList);
    return in;
}

void TAlarmForm::onOkClicked()
{
    // A box still being typed in counts as left.
    for (QLineEdit *edit : {m_limitHoursEdit, m_startHoursEdit, m_endHoursEdit})
        edit->setText(NormaliseTimeField(edit->text(), 99));
    for (QLineEdit *edit : {m_limitMinutesEdit, m_startMinutesEdit, m_endMinutesEdit})
        edit->setText(NormaliseTimeField(edit->text(), 59));
    if (StoreAlarm(m_ctx, m_alarm, input()))
        accept();
}
