#include "dialogs/SettingsForm.h"

#include "core/AppContext.h"
#include "dialogs/SettingsChanges.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

using Flag = bool Settings::*;

struct Row {
    const char *caption;
    Flag setting;
};

const Row GeneralRows[] = {
    {"Ask 'are you sure?' on remove", &Settings::DeletePrompt},
    {"Show grid lines on session display", &Settings::ShowGridLines},
    {"Load tallyline on windows start-up", &Settings::LoadAtStartUp},
    {"Seperate days in session list", &Settings::SeperateDays},
    {"Display bill window at end of account period", &Settings::DisplayBillWindow},
    {"Use standard buttons on toolbar", &Settings::UseStandardToolbar},
    {"Show splash form when Tallyline loads", &Settings::ShowSplashForm},
    {"Prompt 'Are you sure?' on exit", &Settings::PromptOnExit},
};

const Row OnlineRows[] = {
    {"Auto log in last user (Single user mode)", &Settings::AutoLogonLastUser},
    {"Auto open session on modem connection", &Settings::AutoOpenSession},
    {"Only run programs when fully connected", &Settings::ProgramRunOnFullConnect},
    {"Use only session start timezone rates", &Settings::SessionChargesStartTimeZone},
};

// Rows 0 to 5 follow the floating window; the two totals do not.
constexpr int MonitorRowsFollowingWindow = 6;
const Row MonitorRows[] = {
    {"Display session cost before time", &Settings::ShowCostsBeforeTime},
    {"Display connection time", &Settings::ShowMonitorSessionTime},
    {"Display daily total", &Settings::ShowMonitorDailyCost},
    {"Display account total", &Settings::ShowMonitorAccountCost},
    {"Display received per second", &Settings::ShowMonitorReceived},
    {"Display transmitted per second", &Settings::ShowMonitorTransmitted},
    {"Display total received", &Settings::ShowMonitorTotalReceived},
    {"Display total transmitted", &Settings::ShowMonitorTotalTransmitted},
};

const Row GraphRows[] = {
    {"Display graph as 3D", &Settings::DisplayGraphAs3D},
    {"Show value markers on graph", &Settings::ShowValueMarkers},
    {"Animate graph zoom", &Settings::AnimatedZoom},
    {"Fill background with textured pattern", &Settings::FillGraphBackground},
};

const Row SecurityRows[] = {
    {"Disconnect internet connection on exit", &Settings::DisconnectOnExit},
    {"Allow tallyline to be exited", &Settings::AllowToBeExited},
    {"Disable dial-up access until user login", &Settings::DisableDialUp},
    {"Only allow administrator to change settings", &Settings::AdminSettingsLockOut},
    {"Always prompt for user password", &Settings::AlwaysPromptPassword},
    {"Don't backup database as a reg file on exit", &Settings::DontBackupDatabase},
    {"Prevent system clock tampering", &Settings::CheckClockTamper},
};

const char *const SessionColumnCaptions[] = {
    "Session Start Day", "Session Start Date", "Session Start Time", "Session End Time",
    "Session Time Online", "Session Cost", "Daily Total Time Online", "Daily Total Cost",
    "List Total Time Online", "List Total Cost", "Session ISP",
};

const char *const PerformanceColumnCaptions[] = {
    "Session Start Day", "Session Start Date", "Session Start Time", "Session Time Online",
    "Session total data downloaded", "Session total data uploaded",
    "Session average data downloaded per second", "Session average data uploaded per second",
    "Daily total data downloaded", "List total downloaded", "Session ISP",
};

template <std::size_t N>
QStringList captionsOf(const Row (&rows)[N])
{
    QStringList captions;
    for (const Row &row : rows)
        captions.append(QLatin1String(row.caption));
    return captions;
}

template <std::size_t N>
QStringList captionsOf(const char *const (&texts)[N])
{
    QStringList captions;
    for (const char *text : texts)
        captions.append(QLatin1String(text));
    return captions;
}

bool rowOn(const QListWidget *list, int row)
{
    return list->item(row)->checkState() == Qt::Checked;
}

void setRow(QListWidget *list, int row, bool on)
{
    list->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

template <std::size_t N>
void loadRows(QListWidget *list, const Row (&rows)[N], const Settings &s)
{
    for (std::size_t i = 0; i < N; ++i)
        setRow(list, int(i), s.*rows[i].setting);
}

template <std::size_t N>
void storeRows(const QListWidget *list, const Row (&rows)[N], Settings &s)
{
    for (std::size_t i = 0; i < N; ++i)
        s.*rows[i].setting = rowOn(list, int(i));
}

QColor colourOf(int stored)
{
    return QColor(stored & 0xFF, (stored >> 8) & 0xFF, (stored >> 16) & 0xFF);
}

int storedColourOf(const QColor &colour)
{
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

QLabel *wrappedLabel(const QString &text)
{
    auto *label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

QWidget *pageWith(QLayout *layout)
{
    auto *page = new QWidget;
    page->setLayout(layout);
    return page;
}

QRadioButton *radio(const char *name, const QString &caption)
{
    auto *button = new QRadioButton(caption);
    button->setObjectName(QLatin1String(name));
    return button;
}

QCheckBox *check(const char *name, const QString &caption)
{
    auto *box = new QCheckBox(caption);
    box->setObjectName(QLatin1String(name));
    return box;
}

} // namespace

TSettingsForm::TSettingsForm(AppContext &ctx, Mode mode, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    PROCEDURE_GUARD(m_ctx, "Settings", "FormCreate");
    setObjectName(QStringLiteral("SettingsForm"));
    setWindowTitle(mode == Mode::Report ? QStringLiteral("Tallyline Report Settings")
                                        : QStringLiteral("Tallyline Settings"));

    m_tree = new QTreeWidget;
    m_tree->setObjectName(QStringLiteral("SettingsTreeView"));
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setRootIsDecorated(true);
    m_tree->setItemsExpandable(false);
    m_tree->setFixedWidth(170);

    m_pages = new QStackedWidget;
    m_pages->setObjectName(QStringLiteral("SettingsPages"));
    m_pages->addWidget(buildGeneralPage());
    m_pages->addWidget(buildListPage(m_sessionColumnsList, "SessionListView", captionsOf(SessionColumnCaptions)));
    m_pages->addWidget(
        buildListPage(m_performanceColumnsList, "PerformanceListView", captionsOf(PerformanceColumnCaptions)));
    m_pages->addWidget(buildListPage(m_onlineList, "OnlineListView", captionsOf(OnlineRows)));
    m_pages->addWidget(buildModemPage());
    m_pages->addWidget(buildClockPage());
    m_pages->addWidget(buildMonitorPage());
    m_pages->addWidget(buildSoundsPage());
    m_pages->addWidget(buildAdvancedPage());
    m_pages->addWidget(buildDialUpPage());
    m_pages->addWidget(buildListPage(m_graphList, "GraphListView", captionsOf(GraphRows)));
    m_pages->addWidget(buildColourPage());
    m_pages->addWidget(buildSecurityPage());

    m_okButton = new QPushButton(QStringLiteral("&OK"));
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"));
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_helpButton = new QPushButton(QStringLiteral("&Help"));
    m_helpButton->setObjectName(QStringLiteral("HelpButton"));
    for (QPushButton *button : {m_cancelButton, m_helpButton})
        button->setAutoDefault(false);
    connect(m_okButton, &QPushButton::clicked, this, &TSettingsForm::onOkClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_helpButton, &QPushButton::clicked, this, [this] { m_ctx.ui.showHelp(helpTopic(currentPage())); });

    auto *body = new QHBoxLayout;
    body->addWidget(m_tree);
    body->addWidget(m_pages, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_helpButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);

    loadControls();
    buildTree(mode);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &TSettingsForm::onTreeSelectionChanged);
    m_tree->setCurrentItem(m_tree->topLevelItem(0));
    onTreeSelectionChanged();
}

void TSettingsForm::buildTree(Mode mode)
{
    struct Node {
        const char *text;
        int page;  // -1: a category header
    };
    const QList<QList<Node>> categories = {
        {{"Miscellaneous Settings", -1}, {"General", GeneralSheet}, {"Session List", SessionListSheet},
         {"Performance List", PerformanceListSheet}},
        {{"Online Settings", -1}, {"General", GeneralOnlineSheet}, {"Modem Detection", OnlineModemSheet},
         {"Clock Correction", OnlineClockSheet}, {"Session Monitor", OnlineConnectionSheet},
         {"Sounds", OnlineSoundsSheet}, {"Advanced", AdvancedOnlineSheet}},
        {{"Dial-up Settings", -1}, {"General", DialUpSheet}},
        {{"Report Settings", -1}, {"General", ReportGeneralSheet}, {"Colours", ReportColourSheet}},
        {{"Security Settings", SecuritySheet}},
    };
    for (const QList<Node> &category : categories) {
        // The report window's set-up shows its own category alone.
        if (mode == Mode::Report && category.size() > 1 && category[1].page != ReportGeneralSheet)
            continue;
        if (mode == Mode::Report && category.size() == 1)
            continue;
        auto *header = new QTreeWidgetItem(m_tree, {QLatin1String(category[0].text)});
        header->setData(0, Qt::UserRole, category[0].page);
        for (qsizetype i = 1; i < category.size(); ++i) {
            auto *child = new QTreeWidgetItem(header, {QLatin1String(category[i].text)});
            child->setData(0, Qt::UserRole, category[i].page);
        }
    }
    m_tree->expandAll();
}

QListWidget *TSettingsForm::makeCheckList(const char *name, const QStringList &captions)
{
    auto *list = new QListWidget;
    list->setObjectName(QLatin1String(name));
    for (const QString &caption : captions) {
        auto *item = new QListWidgetItem(caption, list);
        // The row flips on a click anywhere on it, not only on its box.
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    connect(list, &QListWidget::itemClicked, this, [](QListWidgetItem *item) {
        // A greyed row stays as it is.
        if (!item->flags().testFlag(Qt::ItemIsEnabled))
            return;
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
    return list;
}

QWidget *TSettingsForm::buildListPage(QListWidget *&list, const char *name, const QStringList &captions)
{
    list = makeCheckList(name, captions);
    auto *layout = new QVBoxLayout;
    layout->addWidget(list, 1);
    return pageWith(layout);
}

QWidget *TSettingsForm::buildGeneralPage()
{
    m_generalList = makeCheckList("GeneralListView", captionsOf(GeneralRows));
    m_overrideCurrencyCheck = check("OverrideCurrencyCheck", QStringLiteral("Override windows default currency symbol  with:"));
    m_currencyEdit = new QLineEdit;
    m_currencyEdit->setObjectName(QStringLiteral("CurrencyEdit"));
    m_currencyEdit->setMaximumWidth(60);
    connect(m_overrideCurrencyCheck, &QCheckBox::toggled, this, [this] {
        // Turned on, the box offers the override text kept last.
        if (m_overrideCurrencyCheck->isChecked() && !m_ctx.settings.OverrideCurrencyString.isEmpty())
            m_currencyEdit->setText(m_ctx.settings.OverrideCurrencyString);
        applyCurrencyState();
    });

    auto *currency = new QHBoxLayout;
    currency->addWidget(m_overrideCurrencyCheck);
    currency->addWidget(m_currencyEdit);
    currency->addStretch(1);
    auto *layout = new QVBoxLayout;
    layout->addWidget(
        wrappedLabel(QStringLiteral("These settings apply to all users. Any changes made here will effect all users.")));
    layout->addWidget(m_generalList, 1);
    layout->addLayout(currency);
    return pageWith(layout);
}

QWidget *TSettingsForm::buildModemPage()
{
    auto *group = new QGroupBox(QStringLiteral("Open a session"));
    auto *radios = new QVBoxLayout(group);
    const char *names[] = {"ModemDialRadio", "PasswordVerificationRadio", "InternetConnectionRadio"};
    const QString captions[] = {QStringLiteral("On modem dial"), QStringLiteral("On password verification"),
                                QStringLiteral("On internet connection")};
    for (int i = 0; i < 3; ++i) {
        m_modemRadios[i] = radio(names[i], captions[i]);
        radios->addWidget(m_modemRadios[i]);
    }

    m_correctionSecondsEdit = new QLineEdit;
    m_correctionSecondsEdit->setObjectName(QStringLiteral("CorrectionSecondsEdit"));
    m_correctionSecondsEdit->setFixedWidth(m_correctionSecondsEdit->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12);
    connect(m_correctionSecondsEdit, &QLineEdit::textEdited, this, [this](const QString &text) {
        const QString cut = SecondsBoxText(text);
        if (cut != text)
            m_correctionSecondsEdit->setText(cut);
    });
    auto *seconds = new QHBoxLayout;
    seconds->addWidget(new QLabel(QStringLiteral("When opening a session add")));
    seconds->addWidget(m_correctionSecondsEdit);
    seconds->addWidget(new QLabel(QStringLiteral("seconds of call")));
    seconds->addStretch(1);

    auto *layout = new QVBoxLayout;
    layout->addWidget(group);
    layout->addLayout(seconds);
    layout->addStretch(1);
    return pageWith(layout);
}

QWidget *TSettingsForm::buildClockPage()
{
    m_clockOnConnectRadio = radio("ClockOnConnectRadio", QStringLiteral("When you connect to the internet"));
    m_clockNeverRadio = radio("ClockNeverRadio", QStringLiteral("Never"));
    m_timeServerCombo = new QComboBox;
    m_timeServerCombo->setObjectName(QStringLiteral("TimeServerCombo"));
    m_timeServerCombo->setEditable(true);
    m_timeServerCombo->setInsertPolicy(QComboBox::InsertAlphabetically);
    m_timeServerCombo->addItems(TimeServerNames());
    connect(m_clockOnConnectRadio, &QRadioButton::toggled, m_timeServerCombo, &QWidget::setEnabled);

    auto *group = new QGroupBox(QStringLiteral("Correct the system clock"));
    auto *radios = new QVBoxLayout(group);
    radios->addWidget(m_clockOnConnectRadio);
    radios->addWidget(m_clockNeverRadio);
    auto *layout = new QVBoxLayout;
    layout->addWidget(new QLabel(QStringLiteral("Time server :")));
    layout->addWidget(m_timeServerCombo);
    layout->addWidget(group);
    layout->addStretch(1);
    return pageWith(layout);
}

QWidget *TSettingsForm::buildMonitorPage()
{
    m_floatingWindowCheck = check("FloatingWindowCheck", QStringLiteral("Enable session monitor floating window"));
    m_monitorList = makeCheckList("MonitorListView", captionsOf(MonitorRows));
    m_monitorFontSizeSpin = new QSpinBox;
    m_monitorFontSizeSpin->setObjectName(QStringLiteral("MonitorFontSizeSpin"));
    m_monitorFontSizeSpin->setRange(6, 20);
    m_monitorFontBoldCheck = check("MonitorFontBoldCheck", QStringLiteral("Font Bold"));
    connect(m_floatingWindowCheck, &QCheckBox::toggled, this, &TSettingsForm::applyFloatingWindowState);

    auto *font = new QHBoxLayout;
    font->addWidget(new QLabel(QStringLiteral("Font size:")));
    font->addWidget(m_monitorFontSizeSpin);
    font->addSpacing(12);
    font->addWidget(m_monitorFontBoldCheck);
    font->addStretch(1);
    auto *note = wrappedLabel(QStringLiteral("Note : Dial up networking 1.2 or greater needs to be installed for the "
                                             "'bytes received & transmitted' monitors to function."));
    auto *download = new QLabel(QStringLiteral("<a href=\"https://ppp.samba.org/\">Download</a>"));
    download->setObjectName(QStringLiteral("DownloadLabel"));
    download->setOpenExternalLinks(true);

    auto *layout = new QVBoxLayout;
    layout->addWidget(m_floatingWindowCheck);
    layout->addWidget(m_monitorList, 1);
    layout->addLayout(font);
    layout->addWidget(note);
    layout->addWidget(download);
    return pageWith(layout);
}

QWidget *TSettingsForm::buildSoundsPage()
{
    m_connectSoundCheck = check("ConnectSoundCheck", QStringLiteral("Play sound on internet connection."));
    m_disconnectSoundCheck = check("DisconnectSoundCheck", QStringLiteral("Play sound on internet disconnection."));
    const auto soundRow = [this](const char *editName, const char *buttonName, QLineEdit *&edit, QPushButton *&browse,
                                 QString &path) {
        edit = new QLineEdit;
        edit->setObjectName(QLatin1String(editName));
        edit->setReadOnly(true);
        browse = new QPushButton(QStringLiteral("Browse..."));
        browse->setObjectName(QLatin1String(buttonName));
        browse->setAutoDefault(false);
        connect(browse, &QPushButton::clicked, this, [this, &path, &edit] { browseSound(path, edit); });
        auto *row = new QHBoxLayout;
        row->addSpacing(20);
        row->addWidget(edit, 1);
        row->addWidget(browse);
        return row;
    };
    auto *layout = new QVBoxLayout;
    layout->addWidget(m_connectSoundCheck);
    layout->addLayout(soundRow("ConnectSoundEdit", "ConnectSoundBrowseButton", m_connectSoundEdit,
                               m_connectSoundBrowse, m_connectionSound));
    layout->addSpacing(12);
    layout->addWidget(m_disconnectSoundCheck);
    layout->addLayout(soundRow("DisconnectSoundEdit", "DisconnectSoundBrowseButton", m_disconnectSoundEdit,
                               m_disconnectSoundBrowse, m_disconnectionSound));
    layout->addSpacing(12);
    m_desktopNotificationsCheck = check("DesktopNotificationsCheck",
                                        QStringLiteral("Show desktop notifications for alarms, a dropped line and the "
                                                       "end of an account period."));
    m_desktopNotificationsCheck->setToolTip(
        QStringLiteral("Shown by the desktop's notification service, in addition to Tallyline's own messages."));
    layout->addWidget(m_desktopNotificationsCheck);
    layout->addStretch(1);
    return pageWith(layout);
}

QWidget *TSettingsForm::buildAdvancedPage()
{
    m_hangUpCheck = check("HangUpCheck", QStringLiteral("Hang up connection if less than"));
    m_hangUpBytesEdit = new QLineEdit(QStringLiteral("1000"));
    m_hangUpBytesEdit->setObjectName(QStringLiteral("HangUpBytesEdit"));
    m_hangUpBytesEdit->setMaximumWidth(80);
    m_hangUpMinutesSpin = new QSpinBox;
    m_hangUpMinutesSpin->setObjectName(QStringLiteral("HangUpMinutesSpin"));
    m_hangUpMinutesSpin->setRange(0, 999);
    m_keepAliveCheck = check("KeepAliveCheck", QStringLiteral("Keep internet connection 'alive' by pinging"));
    m_keepAliveHostCombo = new QComboBox;
    m_keepAliveHostCombo->setObjectName(QStringLiteral("KeepAliveHostCombo"));
    m_keepAliveHostCombo->setEditable(true);
    m_keepAliveHostCombo->setInsertPolicy(QComboBox::NoInsert);
    m_keepAliveHostCombo->addItems(KeepAliveHostPresets());
    m_keepAliveIntervalSpin = new QSpinBox;
    m_keepAliveIntervalSpin->setObjectName(QStringLiteral("KeepAliveIntervalSpin"));
    m_keepAliveIntervalSpin->setRange(1, 1000);

    auto *hangUp = new QGroupBox(QStringLiteral("Idle connection"));
    auto *hangUpGrid = new QGridLayout(hangUp);
    hangUpGrid->addWidget(m_hangUpCheck, 0, 0, 1, 3);
    hangUpGrid->addWidget(m_hangUpBytesEdit, 1, 0);
    hangUpGrid->addWidget(new QLabel(QStringLiteral("bytes is received in")), 1, 1);
    hangUpGrid->addWidget(m_hangUpMinutesSpin, 1, 2);
    hangUpGrid->addWidget(new QLabel(QStringLiteral("minutes")), 1, 3);
    hangUpGrid->setColumnStretch(4, 1);

    auto *keepAlive = new QGroupBox(QStringLiteral("Keep alive"));
    auto *keepAliveGrid = new QGridLayout(keepAlive);
    keepAliveGrid->addWidget(m_keepAliveCheck, 0, 0, 1, 4);
    keepAliveGrid->addWidget(m_keepAliveHostCombo, 1, 0, 1, 4);
    keepAliveGrid->addWidget(new QLabel(QStringLiteral("every ")), 2, 0);
    keepAliveGrid->addWidget(m_keepAliveIntervalSpin, 2, 1);
    keepAliveGrid->addWidget(new QLabel(QStringLiteral("minutes")), 2, 2);
    keepAliveGrid->setColumnStretch(3, 1);

    auto *layout = new QVBoxLayout;
    layout->addWidget(hangUp);
    layout->addWidget(keepAlive);
    layout->addStretch(1);
    return pageWith(layout);
}

QWidget *TSettingsForm::buildDialUpPage()
{
    m_promptHangUpCheck = check("PromptHangUpCheck", QStringLiteral("Prompt 'are you sure' when hanging up connection."));
    m_reconnectionRadios = {radio("PromptReconnectRadio", QStringLiteral("Prompt to reconnect if connection drops.")),
                            radio("AutoReconnectRadio", QStringLiteral("Automatically reconnect if connection drops.")),
                            radio("DoNothingRadio", QStringLiteral("Do nothing if connection drops."))};
    auto *group = new QGroupBox(QStringLiteral("Dropped connections"));
    auto *radios = new QVBoxLayout(group);
    for (QRadioButton *button : m_reconnectionRadios)
        radios->addWidget(button);
    auto *layout = new QVBoxLayout;
    layout->addWidget(m_promptHangUpCheck);
    layout->addWidget(group);
    layout->addWidget(wrappedLabel(QStringLiteral("Note : These options only take effect on connections dialed with tallyline")));
    layout->addStretch(1);
    return pageWith(layout);
}

QWidget *TSettingsForm::buildColourPage()
{
    const char *names[] = {"StartColourPanel", "FinishColourPanel", "SeriesColourPanel"};
    for (int i = 0; i < 3; ++i) {
        auto *panel = new QPushButton;
        panel->setObjectName(QLatin1String(names[i]));
        panel->setAutoDefault(false);
        panel->setFixedSize(90, 40);
        panel->setCursor(Qt::PointingHandCursor);
        connect(panel, &QPushButton::clicked, this, [this, i] { pickColour(GraphColour(i)); });
        m_colourPanels[i] = panel;
    }
    auto *background = new QHBoxLayout;
    background->addWidget(m_colourPanels[StartColour]);
    background->addWidget(m_colourPanels[FinishColour]);
    background->addStretch(1);
    auto *layout = new QVBoxLayout;
    layout->addWidget(new QLabel(QStringLiteral("Background shaded colors :")));
    layout->addLayout(background);
    layout->addSpacing(12);
    layout->addWidget(new QLabel(QStringLiteral("Data series color :")));
    layout->addWidget(m_colourPanels[SeriesColour]);
    layout->addStretch(1);
    return pageWith(layout);
}

QWidget *TSettingsForm::buildSecurityPage()
{
    m_securityList = makeCheckList("SecurityListView", captionsOf(SecurityRows));
    auto *layout = new QVBoxLayout;
    layout->addWidget(wrappedLabel(QStringLiteral("Restrictions can be set to ensure Tallyline is always running and "
                                                  "logs all internet access whilst preventing tampering. ")));
    layout->addWidget(m_securityList, 1);
    layout->addWidget(
        wrappedLabel(QStringLiteral("For more security settings, see the users restriction tab when editing/adding a user.")));
    return pageWith(layout);
}

QListWidget *TSettingsForm::checkList(Page page) const
{
    switch (page) {
    case GeneralSheet:
        return m_generalList;
    case SessionListSheet:
        return m_sessionColumnsList;
    case PerformanceListSheet:
        return m_performanceColumnsList;
    case GeneralOnlineSheet:
        return m_onlineList;
    case OnlineConnectionSheet:
        return m_monitorList;
    case ReportGeneralSheet:
        return m_graphList;
    case SecuritySheet:
        return m_securityList;
    default:
        return nullptr;
    }
}

void TSettingsForm::loadControls()
{
    const Settings &s = m_ctx.settings;
    loadRows(m_generalList, GeneralRows, s);
    m_overrideCurrencyCheck->setChecked(s.OverrideCurrency);
    m_currencyEdit->setText(s.OverrideCurrency ? s.OverrideCurrencyString : m_ctx.startup.systemCurrencySymbol);
    applyCurrencyState();
    loadRows(m_securityList, SecurityRows, s);
    loadRows(m_onlineList, OnlineRows, s);
    // Only typing is held to two characters: a longer stored value shows
    // whole and survives an OK untouched.
    m_correctionSecondsEdit->setText(QString::number(s.ModemCorrectionFactor));
    for (int i = 0; i < 11; ++i) {
        setRow(m_sessionColumnsList, i, s.SessionListDisplay[i]);
        setRow(m_performanceColumnsList, i, s.PerformanceListDisplay[i]);
    }
    m_floatingWindowCheck->setChecked(s.ShowFloatingWindow);
    loadRows(m_monitorList, MonitorRows, s);
    m_monitorFontSizeSpin->setValue(s.SessionMonitorFontSize);
    m_monitorFontBoldCheck->setChecked(s.SessionMonitorFontBold);
    m_hangUpCheck->setChecked(s.AutoHangupConnection);
    m_hangUpBytesEdit->setText(QString::number(s.HangupMinimumBytes));
    m_hangUpMinutesSpin->setValue(s.HangupTime);
    m_keepAliveCheck->setChecked(s.KeepConnectionAlive);
    m_keepAliveHostCombo->setEditText(s.AlivePingAddress);
    m_keepAliveIntervalSpin->setValue(s.KeepConnectionAliveInterval);
    m_reconnectionRadios[int(ReconnectionChoiceOf(s))]->setChecked(true);
    m_promptHangUpCheck->setChecked(s.PromptHangUp);
    (s.AutoClockCorrect ? m_clockOnConnectRadio : m_clockNeverRadio)->setChecked(true);
    m_timeServerCombo->setEnabled(s.AutoClockCorrect);
    // A server of the user's own joins the sorted list.
    int server = m_timeServerCombo->findText(s.NTPClockServer, Qt::MatchFixedString);
    if (server < 0 && !s.NTPClockServer.isEmpty()) {
        m_timeServerCombo->addItem(s.NTPClockServer);
        m_timeServerCombo->model()->sort(0);
        server = m_timeServerCombo->findText(s.NTPClockServer, Qt::MatchFixedString);
    }
    m_timeServerCombo->setCurrentIndex(server);
    m_timeServerCombo->setEditText(s.NTPClockServer);
    m_connectSoundCheck->setChecked(s.PlaySoundOnConnect);
    m_disconnectSoundCheck->setChecked(s.PlaySoundOnDisconnect);
    m_desktopNotificationsCheck->setChecked(s.DesktopNotifications);
    m_connectionSound = s.ConnectionSound;
    m_disconnectionSound = s.DisconnectionSound;
    m_connectSoundEdit->setText(SoundBoxText(m_connectionSound));
    m_disconnectSoundEdit->setText(SoundBoxText(m_disconnectionSound));
    m_modemRadios[ModemDetectionRadio(s.ModemDetectionType)]->setChecked(true);
    loadRows(m_graphList, GraphRows, s);
    m_colours = {s.StartGraphColor, s.FinishGraphColor, s.GraphSeriesColor};
    for (int i = 0; i < 3; ++i)
        showPanelColour(GraphColour(i));
    applyFloatingWindowState();
}

void TSettingsForm::applyFloatingWindowState()
{
    const bool on = m_floatingWindowCheck->isChecked();
    for (int row = 0; row < MonitorRowsFollowingWindow; ++row) {
        QListWidgetItem *item = m_monitorList->item(row);
        item->setFlags(on ? item->flags() | Qt::ItemIsEnabled : item->flags() & ~Qt::ItemIsEnabled);
    }
    m_monitorFontSizeSpin->setEnabled(on);
    m_monitorFontBoldCheck->setEnabled(on);
}

void TSettingsForm::applyCurrencyState()
{
    const bool on = m_overrideCurrencyCheck->isChecked();
    m_currencyEdit->setEnabled(on);
    if (!on)
        m_currencyEdit->setText(m_ctx.startup.systemCurrencySymbol);
}

TSettingsForm::Page TSettingsForm::currentPage() const
{
    return Page(m_pages->currentIndex());
}

QString TSettingsForm::helpTopic(Page page)
{
    switch (page) {
    case GeneralSheet:
        return QStringLiteral("IDH_tallyline_settings");
    case GeneralOnlineSheet:
        return QStringLiteral("IDH_settings_window_general_online");
    case OnlineModemSheet:
        return QStringLiteral("IDH_settings_window_modem_detection");
    case OnlineClockSheet:
        return QStringLiteral("IDH_settings_window_clock_correction");
    case OnlineConnectionSheet:
        return QStringLiteral("IDH_settings_window_session_monitor");
    case OnlineSoundsSheet:
        return QStringLiteral("IDH_settings_window_online_sounds");
    case AdvancedOnlineSheet:
        return QStringLiteral("IDH_settings_window_online_advanced");
    case DialUpSheet:
        return QStringLiteral("IDH_settings_general_dialup");
    case ReportGeneralSheet:
    case ReportColourSheet:
        return QStringLiteral("IDH_settings_window_reports");
    case SecuritySheet:
        return QStringLiteral("IDH_settings_window_security");
    default:
        return QString();
    }
}

void TSettingsForm::onTreeSelectionChanged()
{
    QTreeWidgetItem *item = m_tree->currentItem();
    if (!item)
        return;
    // A category header stands for its first page.
    if (item->childCount() > 0) {
        m_tree->setCurrentItem(item->child(0));
        return;
    }
    const int page = item->data(0, Qt::UserRole).toInt();
    if (page >= 0)
        m_pages->setCurrentIndex(page);
}

void TSettingsForm::browseSound(QString &path, QLineEdit *edit)
{
    PROCEDURE_GUARD(m_ctx, "Settings", "BrowseButtonClick");
    QFileDialog dialog(this, QStringLiteral("Alarm wave file"), QFileInfo(path).absolutePath(),
                       QStringLiteral("Wave files (*.wav)"));
    dialog.setObjectName(QStringLiteral("SoundFileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString chosen = dialog.selectedFiles().constFirst();
    if (!QFileInfo(chosen).isFile())
        return;
    path = chosen;
    edit->setText(SoundBoxText(path));
}

void TSettingsForm::pickColour(GraphColour colour)
{
    PROCEDURE_GUARD(m_ctx, "Settings", "ColourPanelClick");
    QColorDialog dialog(colourOf(m_colours[colour]), this);
    dialog.setObjectName(QStringLiteral("GraphColourDialog"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_colours[colour] = storedColourOf(dialog.selectedColor());
    showPanelColour(colour);
    Q_EMIT m_ctx.events.graphColoursPicked(m_colours[StartColour], m_colours[FinishColour], m_colours[SeriesColour]);
}

void TSettingsForm::showPanelColour(GraphColour colour)
{
    const QColor shown = colourOf(m_colours[colour]);
    m_colourPanels[colour]->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; border: 2px inset palette(mid); }").arg(shown.name()));
}

Settings TSettingsForm::chosenSettings() const
{
    Settings s = m_ctx.settings;
    storeRows(m_generalList, GeneralRows, s);
    s.OverrideCurrency = m_overrideCurrencyCheck->isChecked();
    // Switched off, the box shows the system's symbol: the override kept
    // last stays for the next time it is switched on.
    if (s.OverrideCurrency)
        s.OverrideCurrencyString = m_currencyEdit->text();
    storeRows(m_securityList, SecurityRows, s);
    storeRows(m_onlineList, OnlineRows, s);
    s.ModemCorrectionFactor = NumberOrZero(m_correctionSecondsEdit->text());
    for (int i = 0; i < 11; ++i) {
        s.SessionListDisplay[i] = rowOn(m_sessionColumnsList, i);
        s.PerformanceListDisplay[i] = rowOn(m_performanceColumnsList, i);
    }
    s.ShowFloatingWindow = m_floatingWindowCheck->isChecked();
    storeRows(m_monitorList, MonitorRows, s);
    s.SessionMonitorFontSize = m_monitorFontSizeSpin->value();
    s.SessionMonitorFontBold = m_monitorFontBoldCheck->isChecked();
    s.AutoHangupConnection = m_hangUpCheck->isChecked();
    s.HangupMinimumBytes = NumberOrZero(m_hangUpBytesEdit->text());
    s.HangupTime = m_hangUpMinutesSpin->value();
    s.KeepConnectionAlive = m_keepAliveCheck->isChecked();
    s.AlivePingAddress = m_keepAliveHostCombo->currentText().trimmed();
    s.KeepConnectionAliveInterval = m_keepAliveIntervalSpin->value();
    for (int i = 0; i < 3; ++i)
        if (m_reconnectionRadios[i]->isChecked())
            ApplyReconnectionChoice(s, ReconnectionChoice(i));
    s.PromptHangUp = m_promptHangUpCheck->isChecked();
    s.AutoClockCorrect = m_clockOnConnectRadio->isChecked();
    // An emptied box means the default server, as a stored empty one does.
    const QString server = m_timeServerCombo->currentText().trimmed();
    s.NTPClockServer = server.isEmpty() ? QString::fromLatin1(DefaultNTPClockServer) : server;
    s.PlaySoundOnConnect = m_connectSoundCheck->isChecked();
    s.PlaySoundOnDisconnect = m_disconnectSoundCheck->isChecked();
    s.DesktopNotifications = m_desktopNotificationsCheck->isChecked();
    s.ConnectionSound = m_connectionSound;
    s.DisconnectionSound = m_disconnectionSound;
    for (int i = 0; i < 3; ++i)
        if (m_modemRadios[i]->isChecked())
            s.ModemDetectionType = ModemDetectionTypeOfRadio(i);
    storeRows(m_graphList, GraphRows, s);
    s.StartGraphColor = m_colours[StartColour];
    s.FinishGraphColor = m_colours[FinishColour];
    s.GraphSeriesColor = m_colours[SeriesColour];
    return s;
}

void TSettingsForm::onOkClicked()
{
    PROCEDURE_GUARD(m_ctx, "Settings", "OKButtonClick");
    ApplySettings(m_ctx, chosenSettings());
    accept();
}
