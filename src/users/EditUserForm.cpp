#include "users/EditUserForm.h"

#include "core/AppContext.h"
#include "tariff/AccountPeriods.h"
#include "tariff/gui/EditorFields.h"
#include "users/UserList.h"
#include "users/UserRecord.h"
#include "users/Users.h"

#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString ordinal(int day)
{
    const char *suffix = "th";
    if (day % 10 == 1 && day != 11)
        suffix = "st";
    else if (day % 10 == 2 && day != 12)
        suffix = "nd";
    else if (day % 10 == 3 && day != 13)
        suffix = "rd";
    return QString::number(day) + QLatin1String(suffix);
}

QLineEdit *twoCharacterField(const char *name)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(2);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    SelectAllOnClick(edit);
    return edit;
}

} // namespace

TEditUserForm::TEditUserForm(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("EditUserForm"));
    setWindowTitle(QStringLiteral("Edit User"));

    m_pages = new QTabWidget;
    m_pages->addTab(buildIdentificationPage(), QStringLiteral("Identification"));
    m_pages->addTab(buildRestrictionsPage(), QStringLiteral("Restrictions"));

    QDialogButtonBox *buttons = MakeEditorButtons(this, m_ctx.ui, QStringLiteral("IDH_users"),
                                                  [this] { onOkClicked(); }, &m_okButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);
}

QWidget *TEditUserForm::buildIdentificationPage()
{
    auto *page = new QWidget;
    m_loginNameEdit = new QLineEdit;
    m_loginNameEdit->setObjectName(QStringLiteral("LoginNameText"));
    m_realNameEdit = new QLineEdit;
    m_realNameEdit->setObjectName(QStringLiteral("RealNameText"));
    m_passwordEdit = new QLineEdit;
    m_passwordEdit->setObjectName(QStringLiteral("PasswordText"));
    m_confirmPasswordEdit = new QLineEdit;
    m_confirmPasswordEdit->setObjectName(QStringLiteral("ConfirmPasswordText"));
    for (QLineEdit *edit : {m_passwordEdit, m_confirmPasswordEdit})
        edit->setEchoMode(QLineEdit::Password);

    m_accountCombo = new QComboBox;
    m_accountCombo->setObjectName(QStringLiteral("AccountComboBox"));
    m_accountCombo->addItems(EditableAccountTypes());
    connect(m_accountCombo, &QComboBox::activated, this, &TEditUserForm::onAccountTypeChanged);

    m_billDateLabel = new QLabel(QStringLiteral("Bill Date"));
    m_billDateCombo = new QComboBox;
    m_billDateCombo->setObjectName(QStringLiteral("BillDateCombo"));
    m_billDateCombo->setMinimumContentsLength(5);
    m_dayLabel = new QLabel(QStringLiteral("Day"));
    m_dayEdit = twoCharacterField("DayEdit");
    m_monthLabel = new QLabel(QStringLiteral("Month"));
    m_monthEdit = twoCharacterField("MonthEdit");
    m_periodLabel = new QLabel;

    auto *billRow = new QHBoxLayout;
    billRow->addWidget(m_billDateCombo);
    billRow->addWidget(m_dayLabel);
    billRow->addWidget(m_dayEdit);
    billRow->addWidget(m_monthLabel);
    billRow->addWidget(m_monthEdit);
    billRow->addWidget(m_periodLabel);
    billRow->addStretch(1);

    auto *grid = new QGridLayout(page);
    grid->addWidget(new QLabel(QStringLiteral("Login name")), 0, 0);
    grid->addWidget(m_loginNameEdit, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Real name")), 1, 0);
    grid->addWidget(m_realNameEdit, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Password")), 2, 0);
    grid->addWidget(m_passwordEdit, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Confirm password")), 3, 0);
    grid->addWidget(m_confirmPasswordEdit, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Account type")), 4, 0);
    grid->addWidget(m_accountCombo, 4, 1, Qt::AlignLeft);
    grid->addWidget(m_billDateLabel, 5, 0);
    grid->addLayout(billRow, 5, 1);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

QWidget *TEditUserForm::buildRestrictionsPage()
{
    auto *page = new QWidget;
    m_restrictionsList = MakeTickList(RestrictionLabels());
    m_restrictionsList->setObjectName(QStringLiteral("RestrictionsListView"));
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("Set the options to restrict the actions of this user. ")));
    layout->addWidget(new QLabel(QStringLiteral("User security restrictions")));
    layout->addWidget(m_restrictionsList, 1);
    return page;
}

void TEditUserForm::prepare(int user)
{
    PROCEDURE_GUARD(m_ctx, "EditUser", "FormActivate");
    m_user = user;
    m_keptBillDate.clear();
    while (m_accountCombo->count() > EditableAccountTypes().size())
        m_accountCombo->removeItem(m_accountCombo->count() - 1);
    m_pages->setCurrentIndex(0);
    // A stored password is a hash: the fields start empty, and left empty
    // they keep it.
    m_passwordEdit->clear();
    m_confirmPasswordEdit->clear();
    if (user <= 0) {
        setWindowTitle(QStringLiteral("Add new user"));
        m_loginNameEdit->clear();
        m_realNameEdit->clear();
        m_accountCombo->setCurrentIndex(AccountMonthly);
        onAccountTypeChanged(AccountMonthly);
        // A new user cannot edit users unless that is cleared here.
        SetTickedRows(m_restrictionsList, DisableUserEditing);
    } else {
        setWindowTitle(QStringLiteral("Edit user"));
        const UserRecord record = ReadUserRecord(m_ctx.store, user);
        SetTickedRows(m_restrictionsList, record.restrictions);
        m_loginNameEdit->setText(record.loginName);
        m_realNameEdit->setText(record.realName);
        const QStringList types = EditableAccountTypes();
        int type = -1;
        for (int t = 0; t < types.size() && type < 0; ++t)
            if (types[t].compare(record.accountType, Qt::CaseInsensitive) == 0)
                type = t;
        if (type < 0) {
            m_accountCombo->addItem(record.accountType);
            type = m_accountCombo->count() - 1;
            m_keptBillDate = record.billDate;
        }
        m_accountCombo->setCurrentIndex(type);
        onAccountTypeChanged(type);
        const BillDateFields fields = DecodeBillDate(type, record.billDate);
        if ((type == AccountWeekly || type == AccountMonthly) && fields.entry >= 0)
            m_billDateCombo->setCurrentIndex(fields.entry);
        if ((type == AccountQuarterly || type == AccountYearly) && !fields.day.isEmpty()) {
            m_dayEdit->setText(fields.day);
            m_monthEdit->setText(fields.month);
        }
    }
    // The administrator's identity and restrictions are not for editing.
    const bool admin = m_loginNameEdit->text() == QLatin1String("Admin");
    SetTickListGreyed(m_restrictionsList, admin);
    m_loginNameEdit->setEnabled(!admin);
    m_realNameEdit->setEnabled(!admin);
}

void TEditUserForm::onAccountTypeChanged(int index)
{
    const QDate today = m_ctx.clock.now().date();
    m_billDateCombo->clear();
    m_billDateCombo->show();
    for (QWidget *w : {static_cast<QWidget *>(m_dayLabel), static_cast<QWidget *>(m_dayEdit),
                       static_cast<QWidget *>(m_monthLabel), static_cast<QWidget *>(m_monthEdit)})
        w->hide();
    m_periodLabel->show();
    m_billDateLabel->setText(QStringLiteral("Bill Date"));
    m_dayEdit->setText(QString::asprintf("%.2d", today.day()));
    m_monthEdit->setText(QString::asprintf("%.2d", today.month()));
    QString period;
    switch (index) {
    case AccountWeekly:
        m_billDateCombo->addItems({QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"),
                                   QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat"),
                                   QStringLiteral("Sun")});
        m_billDateCombo->setCurrentIndex(today.dayOfWeek() - 1);
        period = QStringLiteral("week");
        break;
    case AccountMonthly:
        for (int day = 1; day <= 31; ++day)
            m_billDateCombo->addItem(ordinal(day));
        m_billDateCombo->setCurrentIndex(today.day() - 1);
        period = QStringLiteral("month");
        break;
    case AccountQuarterly:
    case AccountYearly:
        m_billDateCombo->hide();
        for (QWidget *w : {static_cast<QWidget *>(m_dayLabel), static_cast<QWidget *>(m_dayEdit),
                           static_cast<QWidget *>(m_monthLabel), static_cast<QWidget *>(m_monthEdit)})
            w->show();
        m_periodLabel->hide();
        if (index == AccountQuarterly) {
            m_billDateLabel->setText(QStringLiteral("Next Bill Date"));
            period = QStringLiteral("quarter");
        } else {
            period = QStringLiteral("year");
        }
        break;
    default:
        // A type kept from the store: its bill date is not edited here.
        m_billDateCombo->hide();
        m_periodLabel->hide();
        break;
    }
    m_periodLabel->setText(QStringLiteral("of each ") + period);
}

void TEditUserForm::onOkClicked()
{
    bool valid = true;
    if (m_loginNameEdit->text().isEmpty()) {
        m_ctx.ui.showMessage(MessageKind::Information, QStringLiteral("You must enter a login name."));
        valid = false;
    }
    if (m_passwordEdit->text() != m_confirmPasswordEdit->text()) {
        m_ctx.ui.showMessage(MessageKind::Warning, QStringLiteral("Passwords do not match, please re-enter."));
        valid = false;
    }
    if (!valid)
        return;

    TUserInfo info;
    info.isEdit = windowTitle() == QLatin1String("Edit user") && m_user > 0;
    info.userNumber = info.isEdit ? m_user : 0;
    info.restrictions = TickedRows(m_restrictionsList) & 0x7f;
    info.loginName = m_loginNameEdit->text();
    info.realName = m_realNameEdit->text();
    info.password = m_passwordEdit->text();
    info.keepPassword = info.isEdit && info.password.isEmpty();
    info.accountType = m_accountCombo->currentText();
    const int type = m_accountCombo->currentIndex();
    if (type >= EditableAccountTypes().size()) {
        info.billDate = m_keptBillDate;
    } else if (!EncodeBillDate(type, m_billDateCombo->currentIndex(), m_dayEdit->text(), m_monthEdit->text(),
                               info.billDate)) {
        m_ctx.ui.showMessage(MessageKind::Warning, QStringLiteral("Bill date entered is invalid."));
        return;
    }
    const bool copy = !info.isEdit
                      && m_ctx.ui.confirm(QStringLiteral("Would you like to copy the timezones, alarms etc. from "
                                                         "the admin account to this new account?."));
    StoreEditedUser(m_ctx, info, copy);
    accept();
}
