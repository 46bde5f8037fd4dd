#include "reports/BillForm.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "reports/AccountBill.h"
#include "tariff/AccountPeriods.h"
#include "tariff/Formatting.h"
#include "users/UserRecord.h"
#include "users/Users.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLineEdit *readOnlyBox(const char *name)
{
    auto *box = new QLineEdit;
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    return box;
}

QLineEdit *twoCharacterBox(const char *name)
{
    auto *box = new QLineEdit;
    box->setObjectName(QLatin1String(name));
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12);
    return box;
}

} // namespace

TBillForm::TBillForm(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("BillForm"));
    setWindowTitle(QStringLiteral("Account bill"));

    m_endOfPeriodLabel = new QLabel(QStringLiteral("You have reached the end of your account period."));
    m_endOfPeriodLabel->setObjectName(QStringLiteral("EndOfPeriodLabel"));
    QFont bold = m_endOfPeriodLabel->font();
    bold.setBold(true);
    m_endOfPeriodLabel->setFont(bold);
    m_endOfPeriodLabel->hide();

    m_accountCombo = new QComboBox;
    m_accountCombo->setObjectName(QStringLiteral("AccountComboBox"));
    m_accountCombo->setMinimumContentsLength(30);
    m_headingLabel = new QLabel;
    m_headingLabel->setObjectName(QStringLiteral("HeadingLabel"));
    m_connectionsText = readOnlyBox("ConnectionsText");
    m_onlineText = readOnlyBox("OnlineText");
    m_costText = readOnlyBox("CostText");
    auto *figures = new QFormLayout;
    figures->addRow(QStringLiteral("Number of connections :"), m_connectionsText);
    figures->addRow(QStringLiteral("Total time online :"), m_onlineText);
    figures->addRow(QStringLiteral("Total cost :"), m_costText);

    m_billDateCombo = new QComboBox;
    m_billDateCombo->setObjectName(QStringLiteral("ComboBox1"));
    m_unitLabel = new QLabel;
    m_unitLabel->setObjectName(QStringLiteral("UnitLabel"));
    m_dayLabel = new QLabel(QStringLiteral("Day"));
    m_monthLabel = new QLabel(QStringLiteral("Month"));
    m_dayEdit = twoCharacterBox("DayEdit");
    m_monthEdit = twoCharacterBox("MonthEdit");
    auto *billDateRow = new QHBoxLayout;
    billDateRow->addWidget(new QLabel(QStringLiteral("Bill date :")));
    for (QWidget *w : std::initializer_list<QWidget *>{m_billDateCombo, m_unitLabel, m_dayLabel, m_dayEdit,
                                                       m_monthLabel, m_monthEdit})
        billDateRow->addWidget(w);
    billDateRow->addStretch();

    m_printButton = new QPushButton(QStringLiteral("&Print"));
    m_printButton->setObjectName(QStringLiteral("PrintButton"));
    m_printButton->setAutoDefault(false);
    m_okButton = new QPushButton(QStringLiteral("&OK"));
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_printButton);
    buttons->addWidget(m_okButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_endOfPeriodLabel);
    layout->addWidget(m_accountCombo);
    layout->addWidget(m_headingLabel);
    layout->addLayout(figures);
    layout->addLayout(billDateRow);
    layout->addLayout(buttons);

    connect(m_accountCombo, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            showStatistics();
    });
    connect(m_billDateCombo, &QComboBox::activated, this, &TBillForm::onBillDateChosen);
    for (QLineEdit *box : {m_dayEdit, m_monthEdit}) {
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, this, [this, box] { onBoxEdited(box); });
        connect(box, &QLineEdit::editingFinished, this, &TBillForm::onDayMonthLeft);
    }
    connect(m_printButton, &QPushButton::clicked, this, &TBillForm::printRequested);
    // Escape closes the dialog as "&OK" does.
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TBillForm::prepare(bool endOfPeriod)
{
    PROCEDURE_GUARD(m_ctx, "Bill", "FormShow");
    m_endOfPeriodLabel->setVisible(endOfPeriod);
    fillPeriods();
    showStatistics();
    showBillDate();
    adjustSize();
}

int TBillForm::selectedPeriod() const
{
    return m_accountCombo->currentIndex();
}

void TBillForm::fillPeriods()
{
    m_filling = true;
    m_periods = FillAccountComboBox(m_ctx);
    m_accountCombo->clear();
    m_accountCombo->addItems(m_periods.texts);
    m_accountCombo->setCurrentIndex(m_periods.selected >= 0 ? m_periods.selected : m_accountCombo->count() - 1);
    m_filling = false;
}

void TBillForm::showStatistics()
{
    if (!m_ctx.login.LoggedIn)
        return;
    const BillStatistics shown = ShowBillStatistics(m_ctx, m_periods, m_accountCombo->currentIndex());
    m_connectionsText->setText(QString::number(shown.connections));
    m_onlineText->setText(OnlineIntegerToString(shown.seconds));
    m_costText->setText(FormatMoney(m_ctx, shown.cost));
    m_headingLabel->setText(QStringLiteral("Statistics for this ") + PeriodUnitWord(m_ctx.tariff.AccountType) +
                            QStringLiteral(" are shown below :"));
}

void TBillForm::showBillDate()
{
    m_filling = true;
    const UserRecord user = ReadUserRecord(m_ctx.store, m_ctx.login.CurrentUser);
    m_accountType = AccountTypeStringToInteger(user.accountType);
    const QDate today = QDateFromDateTime(m_ctx.clock.today());
    m_dayEdit->setText(today.toString(QStringLiteral("dd")));
    m_monthEdit->setText(today.toString(QStringLiteral("MM")));
    const bool dayAndMonth = m_accountType == AccountQuarterly || m_accountType == AccountYearly;
    m_billDateCombo->clear();
    m_billDateCombo->addItems(BillDateChoices(m_accountType));
    m_billDateCombo->setCurrentIndex(BillDateChoiceOf(m_accountType, user.billDate));
    if (dayAndMonth) {
        const auto [day, month] = BillDateDayMonth(user.billDate);
        m_dayEdit->setText(day);
        m_monthEdit->setText(month);
    }
    m_billDateCombo->setVisible(!dayAndMonth);
    m_unitLabel->setVisible(!dayAndMonth);
    for (QWidget *w : std::initializer_list<QWidget *>{m_dayLabel, m_dayEdit, m_monthLabel, m_monthEdit})
        w->setVisible(dayAndMonth);
    m_unitLabel->setText(QStringLiteral("of each ") + PeriodUnitWord(m_accountType));
    const bool locked = RestrictionApplies(m_ctx, DisableTimezoneEditing);
    for (QWidget *w : std::initializer_list<QWidget *>{m_billDateCombo, m_dayEdit, m_monthEdit})
        w->setEnabled(!locked);
    m_filling = false;
}

void TBillForm::onBillDateChosen(int entry)
{
    if (entry >= 0 && (m_accountType == AccountWeekly || m_accountType == AccountMonthly))
        billDateChanged(BillDateFromChoice(entry));
}

void TBillForm::onDayMonthLeft()
{
    if (m_filling || !(m_accountType == AccountQuarterly || m_accountType == AccountYearly))
        return;
    PROCEDURE_GUARD(m_ctx, "Bill", "DayEditExit");
    const std::optional<QString> billDate = BillDateFromDayMonth(m_dayEdit->text(), m_monthEdit->text());
    if (!billDate) {
        m_ctx.ui.showMessage(MessageKind::Error,
                             QStringLiteral("The day and month of the bill date do not make a date. "
                                            "Please enter a valid day and month."));
        return;
    }
    billDateChanged(*billDate);
}

void TBillForm::billDateChanged(const QString &billDate)
{
    ChangeBillDate(m_ctx, billDate);
    fillPeriods();
    showStatistics();
    m_endOfPeriodLabel->hide();
}

void TBillForm::onBoxEdited(QLineEdit *box)
{
    const QString trimmed = TrimBillDateBox(box->text());
    if (trimmed != box->text()) {
        box->setText(trimmed);
        box->setCursorPosition(int(trimmed.size()));
    }
}

bool TBillForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && (watched == m_dayEdit || watched == m_monthEdit)) {
        auto *box = static_cast<QLineEdit *>(watched);
        QTimer::singleShot(0, box, [box] { box->selectAll(); });
    }
    return QDialog::eventFilter(watched, event);
}
