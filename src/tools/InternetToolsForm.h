#pragma once

#include "tools/DnsLookup.h"
#include "tools/FingerCli.h"
#include "tools/LogText.h"
#include "tools/Ping.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QStatusBar;
class QToolButton;
struct AppContext;

// The results log: what ends with a carriage return starts a new line; line
// feeds after a carriage return and further carriage returns are dropped, so
// that "\r", "\r\r" and "\r\n" all end a line once. A text may stop in the
// middle of a line and the next one goes on with it, even when the break
// itself is split between the two.
void AppendToLog(QPlainTextEdit *memo, const QString &text);

// The pages of the tools window, in their order.
enum class InternetToolsPage { Ping, Finger, DnsLookUp, HostLookUp };

// "Internet Tools": ping, finger, and name and address look-ups, one page
// each, writing to one results log that keeps its contents while the window
// is hidden. The pages have a start button and a cancel button each; busy,
// the start button is off and the cancel button on.
class TInternetToolsForm : public QDialog
{
    Q_OBJECT

public:
    using Page = InternetToolsPage;

    explicit TInternetToolsForm(AppContext &ctx, QWidget *parent = nullptr);
    ~TInternetToolsForm() override;

    void setCurrentPage(Page page);
    Page currentPage() const;

    // The log's lines; the last is the line still being written (often empty).
    QStringList logLines() const;

    QToolButton *pageTab(Page page) const;
    QComboBox *pingHostCombo() const { return m_pingHostCombo; }
    QSpinBox *pingTimeoutSpin() const { return m_pingTimeoutSpin; }
    QPushButton *pingButton() const { return m_pingButton; }
    QPushButton *cancelPingButton() const { return m_cancelPingButton; }
    QComboBox *fingerQueryCombo() const { return m_fingerQueryCombo; }
    QPushButton *fingerButton() const { return m_fingerButton; }
    QPushButton *cancelFingerButton() const { return m_cancelFingerButton; }
    QComboBox *dnsHostCombo() const { return m_dnsHostCombo; }
    QPushButton *lookUpButton() const { return m_lookUpButton; }
    QPushButton *cancelLookUpButton() const { return m_cancelLookUpButton; }
    QComboBox *reverseAddressCombo() const { return m_reverseAddressCombo; }
    QPushButton *hostLookUpButton() const { return m_hostLookUpButton; }
    QPushButton *cancelHostLookUpButton() const { return m_cancelHostLookUpButton; }
    QPlainTextEdit *resultsLog() const { return m_log; }
    QPushButton *clearButton() const { return m_clearButton; }
    QPushButton *closeButton() const { return m_closeButton; }
    QPushButton *helpButton() const { return m_helpButton; }
    QFrame *resultsPanel() const { return m_resultsPanel; }
    TPing &pinger() { return m_ping; }
    TFingerCli &fingerClient() { return m_finger; }

    // The window's size as designed, and its smallest.
    static constexpr int DesignWidth = 600;
    static constexpr int DesignHeight = 400;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *buildPingPage();
    QWidget *buildFingerPage();
    QWidget *buildDnsPage();
    QWidget *buildHostPage();
    void addLogLine(const QString &text);

    void onPingClicked();
    void onCancelPingClicked();
    void onPingLookupDone(int error);
    void onEchoRequest();
    void onEchoReply(int replies);
    void onFingerClicked();
    void onCancelFingerClicked();
    void onFingerConnected(int error);
    void onFingerDataAvailable(int error);
    void onFingerDone(int error);
    void onLookUpClicked();
    void onCancelLookUpClicked();
    void onHostLookUpClicked();
    void onCancelHostLookUpClicked();
    void onLookupDone(int error);

    AppContext &m_ctx;
    TPing m_ping;
    TFingerCli m_finger;
    TDnsLookup m_lookup;
    Utf8PieceDecoder m_fingerText;
    QString m_pingedHost;

    QButtonGroup *m_tabs = nullptr;
    QStackedWidget *m_pages = nullptr;
    QComboBox *m_pingHostCombo = nullptr;
    QSpinBox *m_pingTimeoutSpin = nullptr;
    QPushButton *m_pingButton = nullptr;
    QPushButton *m_cancelPingButton = nullptr;
    QComboBox *m_fingerQueryCombo = nullptr;
    QPushButton *m_fingerButton = nullptr;
    QPushButton *m_cancelFingerButton = nullptr;
    QComboBox *m_dnsHostCombo = nullptr;
    QPushButton *m_lookUpButton = nullptr;
    QPushButton *m_cancelLookUpButton = nullptr;
    QComboBox *m_reverseAddressCombo = nullptr;
    QPushButton *m_hostLookUpButton = nullptr;
    QPushButton *m_cancelHostLookUpButton = nullptr;
    QFrame *m_resultsPanel = nullptr;
    QPlainTextEdit *m_log = nullptr;
    QPushButton *m_clearButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QPushButton *m_helpButton = nullptr;
    QStatusBar *m_statusBar = nullptr;
    bool m_placed = false;
};
