#include "dialogs/WizardForm.h"

#include "core/AppContext.h"
#include "dialogs/WizardISPForm.h"
#include "platform/DialUpNetwork.h"
#include "tariff/TimeZonePresets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int PresetColumnWidth = 230;

// A click into one of the short boxes selects its whole text, so typing
// replaces it.
class ClickSelectsAll : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonRelease) {
            if (auto *edit = qobject_cast<QLineEdit *>(watched))
                QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
        }
        return false;
    }
};

QLineEdit *shortEdit(QWidget *parent, const QString &name, int maxLength, QObject *selectAll)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 8);
    edit->installEventFilter(selectAll);
    return edit;
}

QLineEdit *passwordEdit(QWidget *parent, const QString &name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setEchoMode(QLineEdit::Password);
    // '*' rather than the platform's dot, like the rest of the program.
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    return edit;
}

QLabel *wrapped(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QStringList dialUpEntries(AppContext &ctx)
{
    return ctx.platform.dialUp ? ctx.platform.dialUp->entries() : QStringList();
}

} // namespace

TWizardForm::TWizardForm(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("WizardForm"));
    setWindowTitle(QStringLiteral("Tallyline Setup Wizard"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_titleLabel = new QLabel(this);
    m_titleLabel->setObjectName(QStringLiteral("TitleLabel"));
    QFont titleFont = m_titleLabel->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    m_titleLabel->setFont(titleFont);

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildWelcomePage());
    m_pages->addWidget(buildUserPage1());
    m_pages->addWidget(buildUserPage2());
    m_pages->addWidget(buildUserPage3());
    m_pages->addWidget(buildPresetPage());
    m_pages->addWidget(buildIspPage());
    m_pages->addWidget(buildAlarmPage());
    m_pages->addWidget(buildSecurityPage());
    m_pages->addWidget(buildFinishedPage());

    m_backButton = new QPushButton(QStringLiteral("< &Back"), this);
    m_backButton->setObjectName(QStringLiteral("BackButton"));
    m_nextButton = new QPushButton(QStringLiteral("&Next >"), this);
    m_nextButton->setObjectName(QStringLiteral("NextButton"));
    m_nextButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_helpButton = new QPushButton(QStringLiteral("&Help"), this);
    m_helpButton->setObjectName(QStringLiteral("HelpButton"));

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_helpButton);
    buttons->addStretch();
    buttons->addWidget(m_backButton);
    buttons->addWidget(m_nextButton);
    buttons->addSpacing(8);
    buttons->addWidget(m_cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_titleLabel);
    layout->addWidget(m_pages, 1);
    layout->addWidget(line);
    layout->addLayout(buttons);
    setMinimumSize(560, 420);

    connect(m_nextButton, &QPushButton::clicked, this, &TWizardForm::onNextClicked);
    connect(m_backButton, &QPushButton::clicked, this, &TWizardForm::onBackClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &TWizardForm::onCancelClicked);
    connect(m_helpButton, &QPushButton::clicked, this,
            [this] { m_ctx.ui.showHelp(QStringLiteral("IDH_setup_wizard")); });

    m_ctx.tariff.SetupWizardOpen = true;
}

TWizardForm::~TWizardForm()
{
    m_ctx.tariff.SetupWizardOpen = false;
}

QWidget *TWizardForm::buildWelcomePage()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrapped(QStringLiteral("Welcome to the Tallyline setup wizard."), page));
    layout->addWidget(wrapped(QStringLiteral("This wizard sets up Tallyline for you in a few steps. It will ask you about:"),
                              page));
    auto *list = new QLabel(QStringLiteral("- User accounts\n- Phone charges\n- Online alarms\n- Security settings"), page);
    list->setContentsMargins(16, 0, 0, 0);
    layout->addWidget(list);
    layout->addWidget(wrapped(QStringLiteral("Any settings can be changed at a later date."), page));
    layout->addWidget(wrapped(QStringLiteral("Please press 'Next' to continue."), page));
    layout->addStretch();
    return page;
}

QWidget *TWizardForm::buildUserPage1()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrapped(QStringLiteral("Will one person use Tallyline on this computer, or several people, "
                                             "each with an account of their own?"),
                              page));
    m_singleUserRadio = new QRadioButton(QStringLiteral("Single User"), page);
    m_singleUserRadio->setObjectName(QStringLiteral("SingleUserRadio"));
    m_multipleUsersRadio = new QRadioButton(QStringLiteral("Multiple Users"), page);
    m_multipleUsersRadio->setObjectName(QStringLiteral("MultipleUsersRadio"));
    auto *group = new QButtonGroup(page);
    group->addButton(m_singleUserRadio);
    group->addButton(m_multipleUsersRadio);
    layout->addWidget(m_singleUserRadio);
    layout->addWidget(m_multipleUsersRadio);
    layout->addSpacing(12);
    m_adminOnlyCheck = new QCheckBox(QStringLiteral("Only Admin user can change settings"), page);
    m_adminOnlyCheck->setObjectName(QStringLiteral("AdminOnlyCheck"));
    layout->addWidget(m_adminOnlyCheck);
    layout->addStretch();
    return page;
}

void TWizardForm::buildBillDateRow(WizardBillDateControls &row, QWidget *page)
{
    row.accountCombo = new QComboBox(page);
    row.accountCombo->addItems(AccountTypeNames());
    row.billDateLabel = new QLabel(QStringLiteral("Bill date"), page);
    row.billCombo = new QComboBox(page);
    row.billCombo->setMinimumContentsLength(5);
    row.dayLabel = new QLabel(QStringLiteral("Day"), page);
    row.dayEdit = shortEdit(page, QString(), 2, new ClickSelectsAll(page));
    row.monthLabel = new QLabel(QStringLiteral("Month"), page);
    row.monthEdit = shortEdit(page, QString(), 2, new ClickSelectsAll(page));
    row.ofEachLabel = new QLabel(page);
    row.periodLabel = new QLabel(page);
    connect(row.accountCombo, &QComboBox::currentIndexChanged, this, [this, &row] { rebuildBillDateRow(row); });
}

static QWidget *billDateLine(const WizardBillDateControls &row, QWidget *page)
{
    auto *line = new QWidget(page);
    auto *h = new QHBoxLayout(line);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(row.billCombo);
    h->addWidget(row.dayLabel);
    h->addWidget(row.dayEdit);
    h->addWidget(row.monthLabel);
    h->addWidget(row.monthEdit);
    h->addWidget(row.ofEachLabel);
    h->addWidget(row.periodLabel);
    h->addStretch();
    return line;
}

QWidget *TWizardForm::buildUserPage2()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrapped(QStringLiteral("Tallyline keeps an administrator account, \"Admin\", that may do "
                                             "everything. Choose its password and how its phone bill is counted."),
                              page));
    m_adminPasswordEdit = passwordEdit(page, QStringLiteral("AdminPasswordEdit"));
    m_adminConfirmEdit = passwordEdit(page, QStringLiteral("AdminConfirmEdit"));
    buildBillDateRow(m_adminBillDate, page);
    m_adminBillDate.accountCombo->setObjectName(QStringLiteral("AdminAccountCombo"));
    m_adminBillDate.billCombo->setObjectName(QStringLiteral("AdminBillCombo"));
    m_adminBillDate.dayEdit->setObjectName(QStringLiteral("AdminDayEdit"));
    m_adminBillDate.monthEdit->setObjectName(QStringLiteral("AdminMonthEdit"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Password"), m_adminPasswordEdit);
    form->addRow(QStringLiteral("Confirm password"), m_adminConfirmEdit);
    form->addRow(QStringLiteral("Account type"), m_adminBillDate.accountCombo);
    form->addRow(m_adminBillDate.billDateLabel, billDateLine(m_adminBillDate, page));
    layout->addLayout(form);
    layout->addStretch();
    return page;
}

QWidget *TWizardForm::buildUserPage3()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrapped(QStringLiteral("Now create the first user account. More users can be added later on "
                                             "the Users page of the account window."),
                              page));
    m_userLoginEdit = new QLineEdit(page);
    m_userLoginEdit->setObjectName(QStringLiteral("UserLoginEdit"));
    m_userPasswordEdit = passwordEdit(page, QStringLiteral("UserPasswordEdit"));
    m_userConfirmEdit = passwordEdit(page, QStringLiteral("UserConfirmEdit"));
    buildBillDateRow(m_userBillDate, page);
    m_userBillDate.accountCombo->setObjectName(QStringLiteral("UserAccountCombo"));
    m_userBillDate.billCombo->setObjectName(QStringLiteral("UserBillCombo"));
    m_userBillDate.dayEdit->setObjectName(QStringLiteral("UserDayEdit"));
    m_userBillDate.monthEdit->setObjectName(QStringLiteral("UserMonthEdit"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Login name"), m_userLoginEdit);
    form->addRow(QStringLiteral("Password"), m_userPasswordEdit);
    form->addRow(QStringLiteral("Confirm password"), m_userConfirmEdit);
    form->addRow(QStringLiteral("Account type"), m_userBillDate.accountCombo);
    form->addRow(m_userBillDate.billDateLabel, billDateLine(m_userBillDate, page));
    layout->addLayout(form);
    layout->addStretch();
    return page;
}

QWidget *TWizardForm::buildPresetPage()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrapped(QStringLiteral("Choose the phone charges of your phone company from the list. If it is "
                                             "not there, you can enter its charges on the Phone Charges page later."),
                              page));
    m_presetList = new QTreeWidget(page);
    m_presetList->setObjectName(QStringLiteral("PresetList"));
    m_presetList->setHeaderLabels({QStringLiteral("Time-zone presets")});
    m_presetList->setRootIsDecorated(false);
    m_presetList->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(m_presetList, 1);
    m_downloadLabel = new QLabel(page);
    m_downloadLabel->setObjectName(QStringLiteral("DownloadLabel"));
    m_downloadLabel->setText(QStringLiteral("Download time-zones : <a href=\"presets\">open the preset folder</a>"));
    m_downloadLabel->setTextFormat(Qt::RichText);
    // Presets others share are dropped into the program directory, where
    // the list finds them.
    connect(m_downloadLabel, &QLabel::linkActivated, this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_ctx.startup.programDirectory));
    });
    layout->addWidget(m_downloadLabel);
    return page;
}

QWidget *TWizardForm::buildIspPage()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrapped(QStringLiteral("If you dial more than one ISP, add each dial-up connection with the "
                                             "phone charges that apply to it. Other connections use the charges "
                                             "chosen on the previous page."),
                              page));
    m_ispList = new QTreeWidget(page);
    m_ispList->setObjectName(QStringLiteral("IspList"));
    m_ispList->setHeaderLabels({QStringLiteral("Dial-up connection"), QStringLiteral("Phone Charges Preset")});
    m_ispList->setRootIsDecorated(false);
    m_ispList->header()->resizeSection(0, 220);
    auto *row = new QHBoxLayout;
    row->addWidget(m_ispList, 1);
    auto *buttons = new QVBoxLayout;
    m_addIspButton = new QPushButton(QStringLiteral("&Add..."), page);
    m_addIspButton->setObjectName(QStringLiteral("AddIspButton"));
    m_removeIspButton = new QPushButton(QStringLiteral("&Remove"), page);
    m_removeIspButton->setObjectName(QStringLiteral("RemoveIspButton"));
    buttons->addWidget(m_addIspButton);
    buttons->addWidget(m_removeIspButton);
    buttons->addStretch();
    row->addLayout(buttons);
    layout->addLayout(row, 1);
    connect(m_addIspButton, &QPushButton::clicked, this, &TWizardForm::onAddIspClicked);
    connect(m_removeIspButton, &QPushButton::clicked, this, &TWizardForm::onRemoveIspClicked);
    return page;
}

QWidget *TWizardForm::buildAlarmPage()
{
    auto *page = new QWidget(this);
    auto *selectAll = new ClickSelectsAll(page);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrapped(QStringLiteral("Tallyline can remind you while you are online. Further alarms can be "
                                             "set on the Alarms page of the account window."),
                              page));
    auto *grid = new QGridLayout;
    m_onlineReminderCheck = new QCheckBox(QStringLiteral("Time online reminder"), page);
    m_onlineReminderCheck->setObjectName(QStringLiteral("OnlineReminderCheck"));
    m_hoursEdit = shortEdit(page, QStringLiteral("HoursEdit"), 2, selectAll);
    m_minutesEdit = shortEdit(page, QStringLiteral("MinutesEdit"), 2, selectAll);
    m_hoursMinutesLabel = new QLabel(QStringLiteral("(hours : mins)"), page);
    m_onlineHangUpCheck = new QCheckBox(QStringLiteral("Hang up phone when reminded"), page);
    m_onlineHangUpCheck->setObjectName(QStringLiteral("OnlineHangUpCheck"));
    auto *times = new QHBoxLayout;
    times->addWidget(m_hoursEdit);
    times->addWidget(new QLabel(QStringLiteral(":"), page));
    times->addWidget(m_minutesEdit);
    times->addWidget(m_hoursMinutesLabel);
    times->addStretch();
    grid->addWidget(m_onlineReminderCheck, 0, 0);
    grid->addLayout(times, 0, 1);
    grid->addWidget(m_onlineHangUpCheck, 1, 1);

    m_costReminderCheck = new QCheckBox(QStringLiteral("Session cost reminder"), page);
    m_costReminderCheck->setObjectName(QStringLiteral("CostReminderCheck"));
    m_currencyLabel = new QLabel(page);
    m_costEdit = shortEdit(page, QStringLiteral("CostEdit"), CostBoxLength, selectAll);
    m_costHangUpCheck = new QCheckBox(QStringLiteral("Hang up phone when reminded"), page);
    m_costHangUpCheck->setObjectName(QStringLiteral("CostHangUpCheck"));
    auto *cost = new QHBoxLayout;
    cost->addWidget(m_currencyLabel);
    cost->addWidget(m_costEdit);
    cost->addStretch();
    grid->setRowMinimumHeight(2, 12);
    grid->addWidget(m_costReminderCheck, 3, 0);
    grid->addLayout(cost, 3, 1);
    grid->addWidget(m_costHangUpCheck, 4, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch();

    connect(m_onlineReminderCheck, &QCheckBox::toggled, this, &TWizardForm::updateReminderControls);
    connect(m_costReminderCheck, &QCheckBox::toggled, this, &TWizardForm::updateReminderControls);
    connect(m_hoursEdit, &QLineEdit::editingFinished, this,
            [this] { m_hoursEdit->setText(ClampHoursText(m_hoursEdit->text())); });
    connect(m_minutesEdit, &QLineEdit::editingFinished, this,
            [this] { m_minutesEdit->setText(ClampMinutesText(m_minutesEdit->text())); });
    connect(m_costEdit, &QLineEdit::editingFinished, this,
            [this] { m_costEdit->setText(CostBoxText(m_costEdit->text())); });
    return page;
}

QWidget *TWizardForm::buildSecurityPage()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrapped(QStringLiteral("Choose how strictly Tallyline guards this computer's Internet access. "
                                             "Click an option to switch it on or off."),
                              page));
    m_securityList = new QListWidget(page);
    m_securityList->setObjectName(QStringLiteral("SecurityList"));
    for (const QString &caption : SecurityRowCaptions()) {
        auto *item = new QListWidgetItem(caption, m_securityList);
        // The row flips on a click anywhere on it, not only on its box.
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    connect(m_securityList, &QListWidget::itemClicked, this, [](QListWidgetItem *item) {
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
    layout->addWidget(m_securityList, 1);
    return page;
}

QWidget *TWizardForm::buildFinishedPage()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrapped(QStringLiteral("Tallyline now knows all it needs to start keeping track of your "
                                             "online time and phone charges."),
                              page));
    layout->addWidget(wrapped(QStringLiteral("Press 'Finish' to save these settings. You will then be asked to log "
                                             "in as Admin with the password you chose."),
                              page));
    layout->addStretch();
    return page;
}

void TWizardForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TWizardForm::FormShow()
{
    PROCEDURE_GUARD(m_ctx, "Wizard", "FormShow");
    m_singleUserRadio->setChecked(true);
    m_adminOnlyCheck->setChecked(true);
    for (QLineEdit *edit :
         {m_adminPasswordEdit, m_adminConfirmEdit, m_userLoginEdit, m_userPasswordEdit, m_userConfirmEdit})
        edit->clear();
    for (WizardBillDateControls *row : {&m_adminBillDate, &m_userBillDate}) {
        const QSignalBlocker block(row->accountCombo);
        row->accountCombo->setCurrentIndex(MonthlyAccountType);
        rebuildBillDateRow(*row);
    }
    m_ispList->clear();
    m_onlineReminderCheck->setChecked(false);
    m_hoursEdit->setText(QStringLiteral("00"));
    m_minutesEdit->setText(QStringLiteral("00"));
    m_onlineHangUpCheck->setChecked(false);
    m_costReminderCheck->setChecked(false);
    m_currencyLabel->setText(m_ctx.currencySymbol);
    m_costEdit->setText(QStringLiteral("00.00"));
    m_costHangUpCheck->setChecked(false);
    updateReminderControls();
    const std::array<bool, 6> rows = SecurityRowsFromSettings(m_ctx.settings);
    for (int i = 0; i < m_securityList->count(); ++i)
        m_securityList->item(i)->setCheckState(rows[i] ? Qt::Checked : Qt::Unchecked);
    fillPresetList();
    showPage(WelcomePage);
}

void TWizardForm::fillPresetList()
{
    m_presetList->clear();
    const QStringList names = TimeZonePresetNames(m_ctx.startup.programDirectory);
    for (const QString &name : names)
        new QTreeWidgetItem(m_presetList, {name});
    if (names.size() > 6)
        m_presetList->setColumnWidth(0, PresetColumnWidth);
    m_presetList->clearSelection();
    m_presetList->setCurrentItem(nullptr);
}

void TWizardForm::rebuildBillDateRow(WizardBillDateControls &row)
{
    const BillDateRow r = WizardBillDateRow(row.accountCombo->currentIndex(), m_ctx.clock.now().date());
    row.billCombo->clear();
    row.billCombo->addItems(r.items);
    row.billCombo->setCurrentIndex(r.selected);
    row.billCombo->setVisible(r.listShown);
    row.dayEdit->setText(r.day);
    row.monthEdit->setText(r.month);
    for (QWidget *w : {static_cast<QWidget *>(row.dayLabel), static_cast<QWidget *>(row.dayEdit),
                       static_cast<QWidget *>(row.monthLabel), static_cast<QWidget *>(row.monthEdit)})
        w->setVisible(r.dayMonthShown);
    row.ofEachLabel->setText(r.ofEach);
    row.periodLabel->setText(r.period);
    row.ofEachLabel->setVisible(r.listShown);
    row.periodLabel->setVisible(r.listShown);
}

void TWizardForm::updateReminderControls()
{
    const bool online = m_onlineReminderCheck->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(m_hoursEdit), static_cast<QWidget *>(m_minutesEdit),
                       static_cast<QWidget *>(m_onlineHangUpCheck)})
        w->setEnabled(online);
    const bool cost = m_costReminderCheck->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(m_costEdit), static_cast<QWidget *>(m_costHangUpCheck)})
        w->setEnabled(cost);
}

void TWizardForm::showPage(int page)
{
    m_page = page;
    m_pages->setCurrentIndex(page);
    m_titleLabel->setText(WizardPageTitle(page));
    m_backButton->setEnabled(page != WelcomePage);
    m_nextButton->setEnabled(page != FinishedPage);
    m_cancelButton->setText(page == FinishedPage ? QStringLiteral("&Finish") : QStringLiteral("&Cancel"));
    if (page == PresetPage)
        fillPresetList();
}

WizardAnswers TWizardForm::answers() const
{
    WizardAnswers a;
    a.singleUser = m_singleUserRadio->isChecked();
    a.adminOnlySettings = m_adminOnlyCheck->isChecked();
    a.adminPassword = m_adminPasswordEdit->text();
    a.adminConfirm = m_adminConfirmEdit->text();
    a.adminAccountType = m_adminBillDate.accountCombo->currentIndex();
    a.adminBillIndex = m_adminBillDate.billCombo->currentIndex();
    a.adminDay = m_adminBillDate.dayEdit->text();
    a.adminMonth = m_adminBillDate.monthEdit->text();
    a.userLogin = m_userLoginEdit->text();
    a.userPassword = m_userPasswordEdit->text();
    a.userConfirm = m_userConfirmEdit->text();
    a.userAccountType = m_userBillDate.accountCombo->currentIndex();
    a.userBillIndex = m_userBillDate.billCombo->currentIndex();
    a.userDay = m_userBillDate.dayEdit->text();
    a.userMonth = m_userBillDate.monthEdit->text();
    const QList<QTreeWidgetItem *> chosen = m_presetList->selectedItems();
    a.preset = chosen.isEmpty() ? QString() : chosen.first()->text(0);
    for (int i = 0; i < m_ispList->topLevelItemCount(); ++i)
        a.isps.append({m_ispList->topLevelItem(i)->text(0), m_ispList->topLevelItem(i)->text(1)});
    a.onlineReminder = m_onlineReminderCheck->isChecked();
    a.onlineHours = m_hoursEdit->text();
    a.onlineMinutes = m_minutesEdit->text();
    a.onlineHangUp = m_onlineHangUpCheck->isChecked();
    a.costReminder = m_costReminderCheck->isChecked();
    a.cost = m_costEdit->text();
    a.costHangUp = m_costHangUpCheck->isChecked();
    for (int i = 0; i < m_securityList->count() && i < 6; ++i)
        a.security[i] = m_securityList->item(i)->checkState() == Qt::Checked;
    return a;
}

void TWizardForm::onNextClicked()
{
    PROCEDURE_GUARD(m_ctx, "Wizard", "NextButtonClick");
    if (m_page == FinishedPage)
        return;
    const PageCheck check = CheckWizardPage(m_page, answers());
    if (check.kind)
        m_ctx.ui.showMessage(*check.kind, check.message);
    if (!check.proceed)
        return;
    showPage(NextWizardPage(m_page, m_singleUserRadio->isChecked()));
}

void TWizardForm::onBackClicked()
{
    showPage(PreviousWizardPage(m_page, m_singleUserRadio->isChecked()));
}

void TWizardForm::onCancelClicked()
{
    PROCEDURE_GUARD(m_ctx, "Wizard", "CancelButtonClick");
    switch (WizardCancelAction(m_page, m_ctx.settings.NumberOfUsers)) {
    case WizardCancel::Finish:
        finish();
        return;
    case WizardCancel::AskFirstRun:
        if (!m_ctx.ui.confirmOkCancel(MessageKind::Warning, FirstRunCancelText())) {
            m_endProgram = true;
            QDialog::reject();
        }
        return;
    case WizardCancel::CloseNow:
        QDialog::reject();
        return;
    case WizardCancel::AskQuit:
        if (m_ctx.ui.confirm(QuitWizardText()))
            QDialog::reject();
        return;
    }
}

void TWizardForm::reject()
{
    // Escape and the window's close button are a "&Cancel"; on the last
    // page, where that button finishes, they ask as the pages before do.
    if (m_page != FinishedPage) {
        onCancelClicked();
        return;
    }
    if (m_ctx.settings.NumberOfUsers == 0) {
        if (!m_ctx.ui.confirmOkCancel(MessageKind::Warning, FirstRunCancelText())) {
            m_endProgram = true;
            QDialog::reject();
        }
    } else if (m_ctx.ui.confirm(QuitWizardText())) {
        QDialog::reject();
    }
}

void TWizardForm::finish()
{
    if (FinishSetupWizard(m_ctx, answers()))
        accept();
}

void TWizardForm::addIspRow(const QString &connection, const QString &preset)
{
    new QTreeWidgetItem(m_ispList, {connection, preset});
}

void TWizardForm::onAddIspClicked()
{
    PROCEDURE_GUARD(m_ctx, "Wizard", "AddIspButtonClick");
    const QStringList connections = dialUpEntries(m_ctx);
    QStringList taken;
    for (int i = 0; i < m_ispList->topLevelItemCount(); ++i)
        taken.append(m_ispList->topLevelItem(i)->text(0));
    TWizardISPForm picker(m_ctx.ui, connections, TimeZonePresetNames(m_ctx.startup.programDirectory), taken, this);
    if (picker.exec() == QDialog::Accepted)
        addIspRow(picker.connection(), picker.preset());
}

void TWizardForm::onRemoveIspClicked()
{
    delete m_ispList->currentItem();
}

WizardOutcome ShowWizardFormWindow(AppContext &ctx, QWidget *parent)
{
    TWizardForm form(ctx, parent);
    const int result = form.exec();
    if (form.endProgram())
        return WizardOutcome::EndProgram;
    if (result != QDialog::Accepted)
        return WizardOutcome::Closed;
    AfterSetupWizard(ctx);
    return WizardOutcome::Finished;
}
