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

    TitleLabel = new QLabel(this);
    TitleLabel->setObjectName(QStringLiteral("TitleLabel"));
    QFont titleFont = TitleLabel->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    TitleLabel->setFont(titleFont);

    Pages = new QStackedWidget(this);
    Pages->addWidget(buildWelcomePage());
    Pages->addWidget(buildUserPage1());
    Pages->addWidget(buildUserPage2());
    Pages->addWidget(buildUserPage3());
    Pages->addWidget(buildPresetPage());
    Pages->addWidget(buildIspPage());
    Pages->addWidget(buildAlarmPage());
    Pages->addWidget(buildSecurityPage());
    Pages->addWidget(buildFinishedPage());

    BackButton = new QPushButton(QStringLiteral("< &Back"), this);
    BackButton->setObjectName(QStringLiteral("BackButton"));
    NextButton = new QPushButton(QStringLiteral("&Next >"), this);
    NextButton->setObjectName(QStringLiteral("NextButton"));
    NextButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    HelpButton = new QPushButton(QStringLiteral("&Help"), this);
    HelpButton->setObjectName(QStringLiteral("HelpButton"));

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(HelpButton);
    buttons->addStretch();
    buttons->addWidget(BackButton);
    buttons->addWidget(NextButton);
    buttons->addSpacing(8);
    buttons->addWidget(CancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(TitleLabel);
    layout->addWidget(Pages, 1);
    layout->addWidget(line);
    layout->addLayout(buttons);
    setMinimumSize(560, 420);

    connect(NextButton, &QPushButton::clicked, this, &TWizardForm::NextButtonClick);
    connect(BackButton, &QPushButton::clicked, this, &TWizardForm::BackButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TWizardForm::CancelButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, [this] { m_ctx.ui.showHelp(QStringLiteral("IDH_setup_wizard")); });

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
    SingleUserRadio = new QRadioButton(QStringLiteral("Single User"), page);
    SingleUserRadio->setObjectName(QStringLiteral("SingleUserRadio"));
    MultipleUsersRadio = new QRadioButton(QStringLiteral("Multiple Users"), page);
    MultipleUsersRadio->setObjectName(QStringLiteral("MultipleUsersRadio"));
    auto *group = new QButtonGroup(page);
    group->addButton(SingleUserRadio);
    group->addButton(MultipleUsersRadio);
    layout->addWidget(SingleUserRadio);
    layout->addWidget(MultipleUsersRadio);
    layout->addSpacing(12);
    AdminOnlyCheck = new QCheckBox(QStringLiteral("Only Admin user can change settings"), page);
    AdminOnlyCheck->setObjectName(QStringLiteral("AdminOnlyCheck"));
    layout->addWidget(AdminOnlyCheck);
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
    AdminPasswordEdit = passwordEdit(page, QStringLiteral("AdminPasswordEdit"));
    AdminConfirmEdit = passwordEdit(page, QStringLiteral("AdminConfirmEdit"));
    buildBillDateRow(Admin, page);
    Admin.accountCombo->setObjectName(QStringLiteral("AdminAccountCombo"));
    Admin.billCombo->setObjectName(QStringLiteral("AdminBillCombo"));
    Admin.dayEdit->setObjectName(QStringLiteral("AdminDayEdit"));
    Admin.monthEdit->setObjectName(QStringLiteral("AdminMonthEdit"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Password"), AdminPasswordEdit);
    form->addRow(QStringLiteral("Confirm password"), AdminConfirmEdit);
    form->addRow(QStringLiteral("Account type"), Admin.accountCombo);
    form->addRow(Admin.billDateLabel, billDateLine(Admin, page));
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
    UserLoginEdit = new QLineEdit(page);
    UserLoginEdit->setObjectName(QStringLiteral("UserLoginEdit"));
    UserPasswordEdit = passwordEdit(page, QStringLiteral("UserPasswordEdit"));
    UserConfirmEdit = passwordEdit(page, QStringLiteral("UserConfirmEdit"));
    buildBillDateRow(User, page);
    User.accountCombo->setObjectName(QStringLiteral("UserAccountCombo"));
    User.billCombo->setObjectName(QStringLiteral("UserBillCombo"));
    User.dayEdit->setObjectName(QStringLiteral("UserDayEdit"));
    User.monthEdit->setObjectName(QStringLiteral("UserMonthEdit"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Login name"), UserLoginEdit);
    form->addRow(QStringLiteral("Password"), UserPasswordEdit);
    form->addRow(QStringLiteral("Confirm password"), UserConfirmEdit);
    form->addRow(QStringLiteral("Account type"), User.accountCombo);
    form->addRow(User.billDateLabel, billDateLine(User, page));
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
    PresetList = new QTreeWidget(page);
    PresetList->setObjectName(QStringLiteral("PresetList"));
    PresetList->setHeaderLabels({QStringLiteral("Time-zone presets")});
    PresetList->setRootIsDecorated(false);
    PresetList->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(PresetList, 1);
    DownloadLabel = new QLabel(page);
    DownloadLabel->setObjectName(QStringLiteral("DownloadLabel"));
    DownloadLabel->setText(QStringLiteral("Download time-zones : <a href=\"presets\">open the preset folder</a>"));
    DownloadLabel->setTextFormat(Qt::RichText);
    // Presets others share are dropped into the program directory, where
    // the list finds them.
    connect(DownloadLabel, &QLabel::linkActivated, this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_ctx.startup.programDirectory));
    });
    layout->addWidget(DownloadLabel);
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
    IspList = new QTreeWidget(page);
    IspList->setObjectName(QStringLiteral("IspList"));
    IspList->setHeaderLabels({QStringLiteral("Dial-up connection"), QStringLiteral("Phone Charges Preset")});
    IspList->setRootIsDecorated(false);
    IspList->header()->resizeSection(0, 220);
    auto *row = new QHBoxLayout;
    row->addWidget(IspList, 1);
    auto *buttons = new QVBoxLayout;
    AddIspButton = new QPushButton(QStringLiteral("&Add..."), page);
    AddIspButton->setObjectName(QStringLiteral("AddIspButton"));
    RemoveIspButton = new QPushButton(QStringLiteral("&Remove"), page);
    RemoveIspButton->setObjectName(QStringLiteral("RemoveIspButton"));
    buttons->addWidget(AddIspButton);
    buttons->addWidget(RemoveIspButton);
    buttons->addStretch();
    row->addLayout(buttons);
    layout->addLayout(row, 1);
    connect(AddIspButton, &QPushButton::clicked, this, &TWizardForm::AddIspButtonClick);
    connect(RemoveIspButton, &QPushButton::clicked, this, &TWizardForm::RemoveIspButtonClick);
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
    OnlineReminderCheck = new QCheckBox(QStringLiteral("Time online reminder"), page);
    OnlineReminderCheck->setObjectName(QStringLiteral("OnlineReminderCheck"));
    HoursEdit = shortEdit(page, QStringLiteral("HoursEdit"), 2, selectAll);
    MinutesEdit = shortEdit(page, QStringLiteral("MinutesEdit"), 2, selectAll);
    HoursMinutesLabel = new QLabel(QStringLiteral("(hours : mins)"), page);
    OnlineHangUpCheck = new QCheckBox(QStringLiteral("Hang up phone when reminded"), page);
    OnlineHangUpCheck->setObjectName(QStringLiteral("OnlineHangUpCheck"));
    auto *times = new QHBoxLayout;
    times->addWidget(HoursEdit);
    times->addWidget(new QLabel(QStringLiteral(":"), page));
    times->addWidget(MinutesEdit);
    times->addWidget(HoursMinutesLabel);
    times->addStretch();
    grid->addWidget(OnlineReminderCheck, 0, 0);
    grid->addLayout(times, 0, 1);
    grid->addWidget(OnlineHangUpCheck, 1, 1);

    CostReminderCheck = new QCheckBox(QStringLiteral("Session cost reminder"), page);
    CostReminderCheck->setObjectName(QStringLiteral("CostReminderCheck"));
    CurrencyLabel = new QLabel(page);
    CostEdit = shortEdit(page, QStringLiteral("CostEdit"), CostBoxLength, selectAll);
    CostHangUpCheck = new QCheckBox(QStringLiteral("Hang up phone when reminded"), page);
    CostHangUpCheck->setObjectName(QStringLiteral("CostHangUpCheck"));
    auto *cost = new QHBoxLayout;
    cost->addWidget(CurrencyLabel);
    cost->addWidget(CostEdit);
    cost->addStretch();
    grid->setRowMinimumHeight(2, 12);
    grid->addWidget(CostReminderCheck, 3, 0);
    grid->addLayout(cost, 3, 1);
    grid->addWidget(CostHangUpCheck, 4, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch();

    connect(OnlineReminderCheck, &QCheckBox::toggled, this, &TWizardForm::updateReminderControls);
    connect(CostReminderCheck, &QCheckBox::toggled, this, &TWizardForm::updateReminderControls);
    connect(HoursEdit, &QLineEdit::editingFinished, this, [this] { HoursEdit->setText(ClampHoursText(HoursEdit->text())); });
    connect(MinutesEdit, &QLineEdit::editingFinished, this,
            [this] { MinutesEdit->setText(ClampMinutesText(MinutesEdit->text())); });
    connect(CostEdit, &QLineEdit::editingFinished, this, [this] { CostEdit->setText(CostBoxText(CostEdit->text())); });
    return page;
}

QWidget *TWizardForm::buildSecurityPage()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrapped(QStringLiteral("Choose how strictly Tallyline guards this computer's Internet access. "
                                             "Click an option to switch it on or off."),
                              page));
    SecurityList = new QListWidget(page);
    SecurityList->setObjectName(QStringLiteral("SecurityList"));
    for (const QString &caption : SecurityRowCaptions()) {
        auto *item = new QListWidgetItem(caption, SecurityList);
        // The row flips on a click anywhere on it, not only on its box.
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    connect(SecurityList, &QListWidget::itemClicked, this, [](QListWidgetItem *item) {
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
    layout->addWidget(SecurityList, 1);
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
    SingleUserRadio->setChecked(true);
    AdminOnlyCheck->setChecked(true);
    for (QLineEdit *edit : {AdminPasswordEdit, AdminConfirmEdit, UserLoginEdit, UserPasswordEdit, UserConfirmEdit})
        edit->clear();
    for (WizardBillDateControls *row : {&Admin, &User}) {
        const QSignalBlocker block(row->accountCombo);
        row->accountCombo->setCurrentIndex(MonthlyAccountType);
        rebuildBillDateRow(*row);
    }
    IspList->clear();
    OnlineReminderCheck->setChecked(false);
    HoursEdit->setText(QStringLiteral("00"));
    MinutesEdit->setText(QStringLiteral("00"));
    OnlineHangUpCheck->setChecked(false);
    CostReminderCheck->setChecked(false);
    CurrencyLabel->setText(m_ctx.currencySymbol);
    CostEdit->setText(QStringLiteral("00.00"));
    CostHangUpCheck->setChecked(false);
    updateReminderControls();
    const std::array<bool, 6> rows = SecurityRowsFromSettings(m_ctx.settings);
    for (int i = 0; i < SecurityList->count(); ++i)
        SecurityList->item(i)->setCheckState(rows[i] ? Qt::Checked : Qt::Unchecked);
    fillPresetList();
    showPage(WelcomePage);
}

void TWizardForm::fillPresetList()
{
    PresetList->clear();
    const QStringList names = TimeZonePresetNames(m_ctx.startup.programDirectory);
    for (const QString &name : names)
        new QTreeWidgetItem(PresetList, {name});
    if (names.size() > 6)
        PresetList->setColumnWidth(0, PresetColumnWidth);
    PresetList->clearSelection();
    PresetList->setCurrentItem(nullptr);
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
    const bool online = OnlineReminderCheck->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(HoursEdit), static_cast<QWidget *>(MinutesEdit),
                       static_cast<QWidget *>(OnlineHangUpCheck)})
        w->setEnabled(online);
    const bool cost = CostReminderCheck->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(CostEdit), static_cast<QWidget *>(CostHangUpCheck)})
        w->setEnabled(cost);
}

void TWizardForm::showPage(int page)
{
    m_page = page;
    Pages->setCurrentIndex(page);
    TitleLabel->setText(WizardPageTitle(page));
    BackButton->setEnabled(page != WelcomePage);
    NextButton->setEnabled(page != FinishedPage);
    CancelButton->setText(page == FinishedPage ? QStringLiteral("&Finish") : QStringLiteral("&Cancel"));
    if (page == PresetPage)
        fillPresetList();
}

WizardAnswers TWizardForm::answers() const
{
    WizardAnswers a;
    a.singleUser = SingleUserRadio->isChecked();
    a.adminOnlySettings = AdminOnlyCheck->isChecked();
    a.adminPassword = AdminPasswordEdit->text();
    a.adminConfirm = AdminConfirmEdit->text();
    a.adminAccountType = Admin.accountCombo->currentIndex();
    a.adminBillIndex = Admin.billCombo->currentIndex();
    a.adminDay = Admin.dayEdit->text();
    a.adminMonth = Admin.monthEdit->text();
    a.userLogin = UserLoginEdit->text();
    a.userPassword = UserPasswordEdit->text();
    a.userConfirm = UserConfirmEdit->text();
    a.userAccountType = User.accountCombo->currentIndex();
    a.userBillIndex = User.billCombo->currentIndex();
    a.userDay = User.dayEdit->text();
    a.userMonth = User.monthEdit->text();
    const QList<QTreeWidgetItem *> chosen = PresetList->selectedItems();
    a.preset = chosen.isEmpty() ? QString() : chosen.first()->text(0);
    for (int i = 0; i < IspList->topLevelItemCount(); ++i)
        a.isps.append({IspList->topLevelItem(i)->text(0), IspList->topLevelItem(i)->text(1)});
    a.onlineReminder = OnlineReminderCheck->isChecked();
    a.onlineHours = HoursEdit->text();
    a.onlineMinutes = MinutesEdit->text();
    a.onlineHangUp = OnlineHangUpCheck->isChecked();
    a.costReminder = CostReminderCheck->isChecked();
    a.cost = CostEdit->text();
    a.costHangUp = CostHangUpCheck->isChecked();
    for (int i = 0; i < SecurityList->count() && i < 6; ++i)
        a.security[i] = SecurityList->item(i)->checkState() == Qt::Checked;
    return a;
}

void TWizardForm::NextButtonClick()
{
    PROCEDURE_GUARD(m_ctx, "Wizard", "NextButtonClick");
    if (m_page == FinishedPage)
        return;
    const PageCheck check = CheckWizardPage(m_page, answers());
    if (check.kind)
        m_ctx.ui.showMessage(*check.kind, check.message);
    if (!check.proceed)
        return;
    showPage(NextWizardPage(m_page, SingleUserRadio->isChecked()));
}

void TWizardForm::BackButtonClick()
{
    showPage(PreviousWizardPage(m_page, SingleUserRadio->isChecked()));
}

void TWizardForm::CancelButtonClick()
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
        CancelButtonClick();
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
    new QTreeWidgetItem(IspList, {connection, preset});
}

void TWizardForm::AddIspButtonClick()
{
    PROCEDURE_GUARD(m_ctx, "Wizard", "AddIspButtonClick");
    const QStringList connections = dialUpEntries(m_ctx);
    QStringList taken;
    for (int i = 0; i < IspList->topLevelItemCount(); ++i)
        taken.append(IspList->topLevelItem(i)->text(0));
    TWizardISPForm picker(m_ctx.ui, connections, TimeZonePresetNames(m_ctx.startup.programDirectory), taken, this);
    if (picker.exec() == QDialog::Accepted)
        addIspRow(picker.connection(), picker.preset());
}

void TWizardForm::RemoveIspButtonClick()
{
    delete IspList->currentItem();
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
