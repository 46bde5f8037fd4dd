#include "session/EditSessionForm.h"

#include "core/AppContext.h"
#include "core/GlobalErrorHandler.h"
#include "platform/DialUpNetwork.h"
#include "session/SessionEditor.h"
#include "session/SessionRecord.h"
#include "store/FloatText.h"
#include "tariff/Formatting.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Hours with an optional first digit, minutes, seconds; "_" for an empty place.
const QString TimeMask = QStringLiteral("09:99:99;_");
const QString TimeUnits = QStringLiteral("(Hours:Minutes:Seconds)");

constexpr int CostTextLimit = 8;
constexpr int CostTextKept = 7;

} // namespace

TEditSessionForm::TEditSessionForm(AppContext &ctx, DateTime day, int session, const QString &connection,
                                   QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_day(DateOf(day)), m_session(session)
{
    setObjectName(QStringLiteral("EditSessionForm"));
    setWindowTitle(QStringLiteral("Edit Session"));

    m_sessionGroup = new QGroupBox(QStringLiteral("Session information"));
    m_hintLabel = new QLabel(QStringLiteral(
        "To change the online time for this session edit the start and end times. You can manually enter the "
        "session cost or calculate it based on the tarrif for that timezone."));
    m_hintLabel->setWordWrap(true);

    m_startTimeEdit = timeEdit();
    m_startTimeEdit->setObjectName(QStringLiteral("StartTimeMaskEdit"));
    m_endTimeEdit = timeEdit();
    m_endTimeEdit->setObjectName(QStringLiteral("EndTimeMaskEdit"));
    m_timeOnlineEdit = timeEdit();
    m_timeOnlineEdit->setObjectName(QStringLiteral("TimeOnlineMaskEdit"));
    m_timeOnlineEdit->setReadOnly(true);
    m_timeOnlineEdit->setEnabled(false);
    connect(m_startTimeEdit, &QLineEdit::textChanged, this, &TEditSessionForm::onTimesChanged);
    connect(m_endTimeEdit, &QLineEdit::textChanged, this, &TEditSessionForm::onTimesChanged);

    m_costEdit = new QLineEdit;
    m_costEdit->setObjectName(QStringLiteral("CostEdit"));
    m_costEdit->installEventFilter(this);
    connect(m_costEdit, &QLineEdit::textChanged, this, &TEditSessionForm::onCostChanged);
    connect(m_costEdit, &QLineEdit::editingFinished, this, &TEditSessionForm::onCostLeft);

    m_connectionCombo = new QComboBox;
    m_connectionCombo->setObjectName(QStringLiteral("ConnectionComboBox"));
    m_connectionCombo->setMinimumContentsLength(20);
    m_connectionCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    m_calculateButton = new QPushButton(QStringLiteral("&Calculate"));
    m_calculateButton->setObjectName(QStringLiteral("CalculateButton"));
    m_calculateButton->setAutoDefault(false);
    connect(m_calculateButton, &QPushButton::clicked, this, &TEditSessionForm::onCalculateClicked);

    // Each field keeps its own width with what belongs to it beside it; the
    // spare width goes to the right of the rows.
    m_costEdit->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000.0000")) + 20);
    auto *grid = new QGridLayout;
    int row = 0;
    const auto addRow = [&](const QString &caption, QWidget *field, QWidget *after) {
        auto *label = new QLabel(caption);
        label->setBuddy(field);
        auto *line = new QHBoxLayout;
        line->addWidget(field);
        if (after)
            line->addWidget(after);
        line->addStretch(1);
        grid->addWidget(label, row, 0);
        grid->addLayout(line, row, 1);
        ++row;
    };
    addRow(QStringLiteral("S&tart time:"), m_startTimeEdit, new QLabel(TimeUnits));
    addRow(QStringLiteral("&End time:"), m_endTimeEdit, new QLabel(TimeUnits));
    addRow(QStringLiteral("Time online:"), m_timeOnlineEdit, new QLabel(TimeUnits));
    addRow(QStringLiteral("Co&st:"), m_costEdit, m_calculateButton);
    addRow(QStringLiteral("Co&nnection:"), m_connectionCombo, nullptr);
    grid->setColumnStretch(1, 1);

    auto *groupLayout = new QVBoxLayout(m_sessionGroup);
    groupLayout->addWidget(m_hintLabel);
    groupLayout->addLayout(grid);

    m_okButton = new QPushButton(QStringLiteral("&OK"));
    m_okButton->setObjectName(QStringLiteral("OkButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"));
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_cancelButton->setAutoDefault(false);
    connect(m_okButton, &QPushButton::clicked, this, &TEditSessionForm::onOkClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_sessionGroup);
    layout->addLayout(buttons);

    fillConnections(connection);
    loadSession();
    // The hint wraps to the width the fields give the group.
    setMinimumWidth(sizeHint().width());
}

QLineEdit *TEditSessionForm::timeEdit()
{
    auto *edit = new QLineEdit;
    edit->setInputMask(TimeMask);
    edit->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 20);
    return edit;
}

void TEditSessionForm::fillConnections(const QString &connection)
{
    m_connectionCombo->addItem(QString::fromLatin1(DefaultConnectionItem));
    if (m_ctx.platform.dialUp)
        m_connectionCombo->addItems(m_ctx.platform.dialUp->entries());
    int index = m_connectionCombo->findText(connection, Qt::MatchFixedString);
    // An entry that has left the phone book since stays the session's own,
    // rather than the record losing its connection.
    if (index < 0 && !connection.trimmed().isEmpty()) {
        m_connectionCombo->addItem(connection);
        index = m_connectionCombo->count() - 1;
    }
    m_connectionCombo->setCurrentIndex(std::max(index, 0));
}

void TEditSessionForm::loadSession()
{
    PROCEDURE_GUARD(m_ctx, "EditSession", "FormShow");
    if (m_session < 1)
        return;
    const int user = m_ctx.login.CurrentUser;
    if (ReadNumberOfSessions(m_ctx.store, user, m_day) <= 0)
        return;
    m_sessionGroup->setTitle(QStringLiteral("Session information - ")
                             + QLocale().dayName(IsoDayOfWeek(m_day), QLocale::LongFormat) + QLatin1Char(' ')
                             + FormatShortDate(m_day));
    const auto field = [&](int code) { return ReadSessionField(m_ctx.store, user, m_session, code, m_day); };
    m_startTimeEdit->setText(FormatClockTime(field(SessionStartTime)));
    m_endTimeEdit->setText(FormatClockTime(field(SessionEndTime)));
    // The recorded time online, which the times only replace once edited.
    m_timeOnlineEdit->setText(EditorTimeText(int(std::llround(field(SessionTimeOnline)))));
    m_costEdit->setText(EditorCostText(m_ctx, field(SessionCost)));
}

bool TEditSessionForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_costEdit && event->type() == QEvent::MouseButtonPress)
        // After the press has placed the caret, so the selection stays.
        QTimer::singleShot(0, m_costEdit, &QLineEdit::selectAll);
    return QDialog::eventFilter(watched, event);
}

void TEditSessionForm::onTimesChanged()
{
    const QString online = DerivedTimeOnline(m_startTimeEdit->displayText(), m_endTimeEdit->displayText());
    if (!online.isEmpty())
        m_timeOnlineEdit->setText(online);
}

void TEditSessionForm::onCostChanged(const QString &text)
{
    if (text.size() > CostTextLimit)
        m_costEdit->setText(text.left(CostTextKept));
}

void TEditSessionForm::onCostLeft()
{
    m_costEdit->setText(QString::asprintf("%5.4f", SafeStrToFloat(m_costEdit->text())));
}

void TEditSessionForm::onCalculateClicked()
{
    try {
        const std::optional<double> cost =
            CalculateEditedSessionCost(m_ctx, m_day, m_connectionCombo->currentText(), m_startTimeEdit->displayText(),
                                       m_endTimeEdit->displayText(), m_timeOnlineEdit->displayText());
        if (cost)
            m_costEdit->setText(EditorCostText(m_ctx, *cost));
    } catch (...) {
        GlobalErrorHandler(m_ctx, std::current_exception());
    }
}

void TEditSessionForm::onOkClicked()
{
    SessionEdit edit;
    edit.startText = m_startTimeEdit->displayText();
    edit.endText = m_endTimeEdit->displayText();
    edit.timeOnlineText = m_timeOnlineEdit->displayText();
    edit.costText = m_costEdit->text();
    edit.connection = m_connectionCombo->currentText();
    try {
        switch (SaveSessionEdit(m_ctx, m_day, m_session, edit)) {
        case SessionEditResult::Saved:
            accept();
            break;
        case SessionEditResult::NoSuchSession:
            reject();
            break;
        case SessionEditResult::InvalidTimes:
            break;
        }
    } catch (...) {
        // The record is untouched; the editor stays open for another try.
        GlobalErrorHandler(m_ctx, std::current_exception());
    }
}
