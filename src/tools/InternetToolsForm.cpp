#include "tools/InternetToolsForm.h"

#include "tools/LogText.h"

#include "core/AppContext.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The placement rules measure the whole window, frame and caption included,
// as the window was first drawn; here they get the client area, so the
// frame is added back.
constexpr int FrameWidth = 8;
constexpr int FrameHeight = 27;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int PagesWidth = 225;
constexpr int StatusBarHeight = 19;
constexpr int FingerChunk = 2048;

void addLine(QPlainTextEdit *memo, const QString &text)
{
    QTextCursor end(memo->document());
    end.movePosition(QTextCursor::End);
    if (!end.block().text().isEmpty())
        end.insertBlock();
    end.insertText(text);
    end.insertBlock();
    memo->moveCursor(QTextCursor::End);
    memo->ensureCursorVisible();
}

QPushButton *button(const QString &caption, const char *name)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QComboBox *editableCombo(const char *name)
{
    auto *combo = new QComboBox;
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::InsertAtTop);
    combo->setMaxCount(20);
    return combo;
}

// A typed entry joins the box's list, most recent first, once.
void remember(QComboBox *combo)
{
    const QString text = combo->currentText();
    if (text.isEmpty())
        return;
    const int present = combo->findText(text);
    if (present == 0)
        return;
    if (present > 0)
        combo->removeItem(present);
    combo->insertItem(0, text);
    combo->setCurrentIndex(0);
}

QWidget *page(const char *name, const QString &prompt, QComboBox *combo, QLayout *extra, QPushButton *start,
              QPushButton *cancel)
{
    auto *w = new QWidget;
    w->setObjectName(QLatin1String(name));
    auto *label = new QLabel(prompt);
    label->setWordWrap(true);
    label->setBuddy(combo);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(start);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(w);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(label);
    layout->addWidget(combo);
    if (extra)
        layout->addLayout(extra);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addStretch();
    return w;
}

} // namespace

void AppendToLog(QPlainTextEdit *memo, const QString &text)
{
    if (memo->document()->isEmpty())
        addLine(memo, QString());
    QTextCursor end(memo->document());
    end.movePosition(QTextCursor::End);
    const QStringList lines = SplitLogText(text, end.block().text().isEmpty());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            end.insertBlock();
        if (!lines[i].isEmpty())
            end.insertText(lines[i]);
    }
    memo->moveCursor(QTextCursor::End);
    memo->ensureCursorVisible();
}

TInternetToolsForm::TInternetToolsForm(AppContext &ctx, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint),
      m_ctx(ctx)
{
    setObjectName(QStringLiteral("InternetToolsForm"));
    setWindowTitle(QStringLiteral("Internet Tools"));
    setModal(false);

    m_ping.Size = 56;
    m_ping.Timeout = 4000;
    m_ping.TTL = 64;

    // The page control: its tabs in two rows, as many as the narrow column
    // needs, over the pages.
    auto *pageControl = new QFrame(this);
    pageControl->setObjectName(QStringLiteral("PageControl1"));
    m_tabs = new QButtonGroup(this);
    m_pages = new QStackedWidget;
    m_pages->setFrameShape(QFrame::StyledPanel);
    auto *tabRows = new QGridLayout;
    tabRows->setSpacing(0);
    const QList<std::pair<QString, const char *>> tabs = {{QStringLiteral("Ping"), "TabSheet2"},
                                                          {QStringLiteral("Finger"), "TabSheet3"},
                                                          {QStringLiteral("DNS Look Up"), "TabSheet4"},
                                                          {QStringLiteral("Host Look Up"), "TabSheet5"}};
    for (int i = 0; i < tabs.size(); ++i) {
        auto *tab = new QToolButton;
        tab->setObjectName(QLatin1String(tabs[i].second) + QStringLiteral("Tab"));
        tab->setText(tabs[i].first);
        tab->setCheckable(true);
        tab->setAutoRaise(true);
        tab->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_tabs->addButton(tab, i);
        tabRows->addWidget(tab, i / 2, i % 2);
    }
    m_pages->addWidget(buildPingPage());
    m_pages->addWidget(buildFingerPage());
    m_pages->addWidget(buildDnsPage());
    m_pages->addWidget(buildHostPage());
    auto *pageLayout = new QVBoxLayout(pageControl);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    pageLayout->addLayout(tabRows);
    pageLayout->addWidget(m_pages, 1);
    pageControl->setGeometry(8, 8, PagesWidth, DesignHeight + FrameHeight - 98);
    connect(m_tabs, &QButtonGroup::idClicked, this, [this](int id) { setCurrentPage(Page(id)); });

    m_resultsPanel = new QFrame(this);
    m_resultsPanel->setObjectName(QStringLiteral("Panel1"));
    m_resultsPanel->setFrameShape(QFrame::StyledPanel);
    auto *logLabel = new QLabel(QStringLiteral("Results Log :"), m_resultsPanel);
    logLabel->move(12, 14);
    m_log = new QPlainTextEdit(m_resultsPanel);
    m_log->setObjectName(QStringLiteral("DisplayMemo"));
    m_log->setReadOnly(true);
    m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_log->move(12, 36);
    m_clearButton = button(QStringLiteral("C&lear"), "Button7");
    m_clearButton->setParent(m_resultsPanel);

    m_closeButton = button(QStringLiteral("&Close"), "Button1");
    m_closeButton->setParent(this);
    m_helpButton = button(QStringLiteral("&Help"), "Button4");
    m_helpButton->setParent(this);
    m_helpButton->setGeometry(DesignWidth - 82 - 83, 0, ButtonWidth, ButtonHeight);
    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(true);
    for (QPushButton *b : {m_clearButton, m_closeButton, m_helpButton})
        b->resize(ButtonWidth, ButtonHeight);

    connect(m_clearButton, &QPushButton::clicked, this, [this] { m_log->clear(); });
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::close);
    connect(m_helpButton, &QPushButton::clicked, this,
            [this] { m_ctx.ui.showHelp(QStringLiteral("IDH_internet_tools")); });

    connect(&m_ping, &TPing::OnDnsLookupDone, this, &TInternetToolsForm::onPingLookupDone);
    connect(&m_ping, &TPing::OnEchoRequest, this, &TInternetToolsForm::onEchoRequest);
    connect(&m_ping, &TPing::OnEchoReply, this, &TInternetToolsForm::onEchoReply);
    connect(&m_finger, &TFingerCli::OnSessionConnected, this, &TInternetToolsForm::onFingerConnected);
    connect(&m_finger, &TFingerCli::OnDataAvailable, this, &TInternetToolsForm::onFingerDataAvailable);
    connect(&m_finger, &TFingerCli::OnQueryDone, this, &TInternetToolsForm::onFingerDone);
    connect(&m_lookup, &TDnsLookup::OnDnsLookupDone, this, &TInternetToolsForm::onLookupDone);

    // The design size is the smallest.
    setMinimumSize(DesignWidth, DesignHeight);
    resize(DesignWidth, DesignHeight);
    setCurrentPage(Page::Ping);
}

TInternetToolsForm::~TInternetToolsForm() = default;

QWidget *TInternetToolsForm::buildPingPage()
{
    m_pingHostCombo = editableCombo("ComboBox1");
    m_pingTimeoutSpin = new QSpinBox;
    m_pingTimeoutSpin->setObjectName(QStringLiteral("SpinEdit1"));
    m_pingTimeoutSpin->setRange(200, 100000);
    m_pingTimeoutSpin->setSingleStep(200);
    m_pingTimeoutSpin->setValue(1000);
    // The unit goes under the box: the column is too narrow for one row.
    auto *timeout = new QGridLayout;
    auto *timeoutLabel = new QLabel(QStringLiteral("Time Out :"));
    timeoutLabel->setBuddy(m_pingTimeoutSpin);
    timeout->addWidget(timeoutLabel, 0, 0);
    timeout->addWidget(m_pingTimeoutSpin, 0, 1);
    timeout->addWidget(new QLabel(QStringLiteral("(milli-seconds)")), 1, 1);
    timeout->setColumnStretch(2, 1);
    m_pingButton = button(QStringLiteral("&Ping Host"), "PingButton");
    m_cancelPingButton = button(QStringLiteral("&Cancel Ping"), "CancelPingButton");
    m_cancelPingButton->setEnabled(false);
    connect(m_pingButton, &QPushButton::clicked, this, &TInternetToolsForm::onPingClicked);
    connect(m_cancelPingButton, &QPushButton::clicked, this, &TInternetToolsForm::onCancelPingClicked);
    return page("TabSheet2", QStringLiteral("Please enter the host name to ping :"), m_pingHostCombo, timeout,
                m_pingButton, m_cancelPingButton);
}

QWidget *TInternetToolsForm::buildFingerPage()
{
    m_fingerQueryCombo = editableCombo("QueryEdit");
    m_fingerButton = button(QStringLiteral("&Finger User"), "FingerButton");
    m_cancelFingerButton = button(QStringLiteral("&Cancel Finger"), "CancelFingerButton");
    m_cancelFingerButton->setEnabled(false);
    connect(m_fingerButton, &QPushButton::clicked, this, &TInternetToolsForm::onFingerClicked);
    connect(m_cancelFingerButton, &QPushButton::clicked, this, &TInternetToolsForm::onCancelFingerClicked);
    return page("TabSheet3", QStringLiteral("User to finger :"), m_fingerQueryCombo, nullptr, m_fingerButton,
                m_cancelFingerButton);
}

QWidget *TInternetToolsForm::buildDnsPage()
{
    m_dnsHostCombo = editableCombo("ComboBox2");
    m_lookUpButton = button(QStringLiteral("&Look Up"), "LookUpButton");
    m_cancelLookUpButton = button(QStringLiteral("&Cancel Look Up"), "CancelLookUpButton");
    m_cancelLookUpButton->setEnabled(false);
    connect(m_lookUpButton, &QPushButton::clicked, this, &TInternetToolsForm::onLookUpClicked);
    connect(m_cancelLookUpButton, &QPushButton::clicked, this, &TInternetToolsForm::onCancelLookUpClicked);
    return page("TabSheet4", QStringLiteral("Server to look up :"), m_dnsHostCombo, nullptr, m_lookUpButton,
                m_cancelLookUpButton);
}

QWidget *TInternetToolsForm::buildHostPage()
{
    m_reverseAddressCombo = editableCombo("ComboBox3");
    m_hostLookUpButton = button(QStringLiteral("&Look Up"), "HostLookUpButton");
    m_cancelHostLookUpButton = button(QStringLiteral("&Cancel Look Up"), "CancelHostLookUpButton");
    m_cancelHostLookUpButton->setEnabled(false);
    connect(m_hostLookUpButton, &QPushButton::clicked, this, &TInternetToolsForm::onHostLookUpClicked);
    connect(m_cancelHostLookUpButton, &QPushButton::clicked, this, &TInternetToolsForm::onCancelHostLookUpClicked);
    return page("TabSheet5", QStringLiteral("Host to look up :"), m_reverseAddressCombo, nullptr,
                m_hostLookUpButton, m_cancelHostLookUpButton);
}

void TInternetToolsForm::setCurrentPage(Page page)
{
    const int index = int(page);
    m_pages->setCurrentIndex(index);
    m_tabs->button(index)->setChecked(true);
    // Enter starts the page's own tool where it has a default button.
    m_pingButton->setDefault(page == Page::Ping);
    m_fingerButton->setDefault(page == Page::Finger);
}

TInternetToolsForm::Page TInternetToolsForm::currentPage() const
{
    return Page(m_pages->currentIndex());
}

QToolButton *TInternetToolsForm::pageTab(Page page) const
{
    return qobject_cast<QToolButton *>(m_tabs->button(int(page)));
}

QStringList TInternetToolsForm::logLines() const
{
    return m_log->toPlainText().split(QLatin1Char('\n'));
}

void TInternetToolsForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Centred on the desktop the first time; afterwards where it was left.
    if (!m_placed) {
        m_placed = true;
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    m_cancelPingButton->setEnabled(false);
}

void TInternetToolsForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const int w = width() + FrameWidth;
    const int h = height() + FrameHeight;
    m_resultsPanel->setGeometry(8 + PagesWidth + 6, 8, w - 255, h - 98);
    m_log->resize(w - 279, h - 185);
    m_clearButton->move(w - 342, h - 133);
    m_closeButton->move(w - 90, h - 78);
    m_helpButton->move(m_helpButton->x(), h - 78);
    m_statusBar->setGeometry(0, height() - StatusBarHeight, width(), StatusBarHeight);
}

void TInternetToolsForm::addLogLine(const QString &text)
{
    addLine(m_log, text);
}

// Ping page.

void TInternetToolsForm::onPingClicked()
{
    PROCEDURE_GUARD(m_ctx, "InternetTools", "PingButtonClick");
    const QString host = m_pingHostCombo->currentText().trimmed();
    if (host.isEmpty())
        return;
    remember(m_pingHostCombo);
    m_pingedHost = host;
    m_ping.setAddress(host);
    addLogLine(QString());
    addLogLine(QStringLiteral("Resolving host '") + host + QLatin1Char('\''));
    m_ping.Timeout = m_pingTimeoutSpin->value();
    m_pingButton->setEnabled(false);
    m_cancelPingButton->setEnabled(true);
    m_ping.DnsLookup(host);
}

void TInternetToolsForm::onCancelPingClicked()
{
    PROCEDURE_GUARD(m_ctx, "InternetTools", "CancelPingButtonClick");
    m_ping.CancelDnsLookup();
}

void TInternetToolsForm::onPingLookupDone(int error)
{
    PROCEDURE_GUARD(m_ctx, "InternetTools", "Ping1DnsLookupDone");
    m_cancelPingButton->setEnabled(false);
    m_pingButton->setEnabled(true);
    if (error != 0) {
        addLogLine(QStringLiteral("Unknown Host '") + m_pingedHost + QLatin1Char('\''));
        return;
    }
    addLogLine(QStringLiteral("Host '") + m_pingedHost + QStringLiteral("' is ") + m_ping.DnsResult);
    m_ping.setAddress(m_ping.DnsResult);
    m_ping.Ping();
}

void TInternetToolsForm::onEchoRequest()
{
    addLogLine(QStringLiteral("Sending ") + QString::number(m_ping.Size) + QStringLiteral(" bytes to ")
               + m_pingedHost + QStringLiteral(" (") + m_ping.DnsResult + QLatin1Char(')'));
}

void TInternetToolsForm::onEchoReply(int replies)
{
    if (replies != 0) {
        addLogLine(QStringLiteral("Received ") + QString::number(m_ping.Reply.DataSize) + QStringLiteral(" bytes from ")
                   + m_ping.DnsResult + QStringLiteral(" in ") + QString::number(m_ping.Reply.RoundTripTime)
                   + QStringLiteral(" msecs"));
    } else {
        addLogLine(QStringLiteral("Cannot ping host (") + m_ping.DnsResult + QStringLiteral(") : ")
                   + m_ping.ErrorString());
    }
}

// Finger page.

void TInternetToolsForm::onFingerClicked()
{
    PROCEDURE_GUARD(m_ctx, "InternetTools", "FingerButtonClick");
    m_fingerButton->setEnabled(false);
    m_cancelFingerButton->setEnabled(true);
    m_finger.Query = m_fingerQueryCombo->currentText().trimmed();
    m_fingerText.reset();
    try {
        m_finger.StartQuery();
    } catch (const TallylineError &) {
        m_ctx.ui.showMessage(MessageKind::Warning, QStringLiteral("Invalid Entry, please enter in the form "
                                                                  "username@hostname.com"));
        m_fingerButton->setEnabled(true);
        m_cancelFingerButton->setEnabled(false);
        return;
    }
    remember(m_fingerQueryCombo);
    addLogLine(QString());
    addLogLine(QStringLiteral("Query started."));
}

void TInternetToolsForm::onCancelFingerClicked()
{
    PROCEDURE_GUARD(m_ctx, "InternetTools", "CancelFingerButtonClick");
    m_finger.Abort();
}

void TInternetToolsForm::onFingerConnected(int error)
{
    if (error == 0)
        AppendToLog(m_log, QStringLiteral("Connected to host.\r"));
}

void TInternetToolsForm::onFingerDataAvailable(int error)
{
    Q_UNUSED(error);
    char buffer[FingerChunk];
    qint64 n = 0;
    while ((n = m_finger.Receive(buffer, FingerChunk - 1)) > 0)
        AppendToLog(m_log, m_fingerText.decode(QByteArrayView(buffer, n)));
}

void TInternetToolsForm::onFingerDone(int error)
{
    PROCEDURE_GUARD(m_ctx, "InternetTools", "FingerCli1QueryDone");
    // An answer that ends inside a character shows where it was cut.
    const QString rest = m_fingerText.finish();
    if (!rest.isEmpty())
        AppendToLog(m_log, rest);
    if (error == TFingerCli::ConnectionRefused)
        AppendToLog(m_log, QStringLiteral("No finger service available.\r"));
    else if (error == TFingerCli::HostUnreachable)
        AppendToLog(m_log, QStringLiteral("Host unreachable.\r"));
    else if (error != 0)
        AppendToLog(m_log, QStringLiteral("Error #") + QString::number(error) + QLatin1Char('\r'));
    AppendToLog(m_log, QStringLiteral("Done.\r"));
    m_fingerButton->setEnabled(true);
    m_cancelFingerButton->setEnabled(false);
}

// DNS and host look-up pages.

void TInternetToolsForm::onLookUpClicked()
{
    PROCEDURE_GUARD(m_ctx, "InternetTools", "LookUpButtonClick");
    m_lookUpButton->setEnabled(false);
    m_cancelLookUpButton->setEnabled(true);
    addLogLine(QStringLiteral("Waiting for DNS..."));
    remember(m_dnsHostCombo);
    m_lookup.DnsLookup(m_dnsHostCombo->currentText());
}

void TInternetToolsForm::onCancelLookUpClicked()
{
    PROCEDURE_GUARD(m_ctx, "InternetTools", "CancelLookUpButtonClick");
    m_lookUpButton->setEnabled(true);
    m_cancelLookUpButton->setEnabled(false);
    m_lookup.CancelDnsLookup();
}

void TInternetToolsForm::onHostLookUpClicked()
{
    PROCEDURE_GUARD(m_ctx, "InternetTools", "HostLookUpButtonClick");
    m_hostLookUpButton->setEnabled(false);
    m_cancelHostLookUpButton->setEnabled(true);
    addLogLine(QStringLiteral("Waiting for DNS..."));
    remember(m_reverseAddressCombo);
    m_lookup.ReverseDnsLookup(m_reverseAddressCombo->currentText());
}

void TInternetToolsForm::onCancelHostLookUpClicked()
{
    PROCEDURE_GUARD(m_ctx, "InternetTools", "CancelHostLookUpButtonClick");
    m_hostLookUpButton->setEnabled(true);
    m_cancelHostLookUpButton->setEnabled(false);
    m_lookup.CancelDnsLookup();
}

void TInternetToolsForm::onLookupDone(int error)
{
    PROCEDURE_GUARD(m_ctx, "InternetTools", "WSocket1DnsLookupDone");
    if (error != 0) {
        addLogLine(QStringLiteral("NOT FOUND, ERROR #") + QString::number(error));
    } else {
        addLogLine(m_lookup.DnsResult + QStringLiteral("  (") + QString::number(m_lookup.DnsResultList.size())
                   + QStringLiteral(" addresses)"));
        for (const QString &entry : std::as_const(m_lookup.DnsResultList))
            addLogLine(entry);
    }
    m_lookUpButton->setEnabled(true);
    m_hostLookUpButton->setEnabled(true);
    m_cancelLookUpButton->setEnabled(false);
    m_cancelHostLookUpButton->setEnabled(false);
}
