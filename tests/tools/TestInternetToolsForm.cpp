#include "app/MainAppForm.h"
#include "app/gui/BoxRequests.h"
#include "app/gui/Windows.h"
#include "core/AppContext.h"
#include "support/Screenshot.h"
#include "support/TempStore.h"
#include "support/TestMain.h"
#include "tools/InternetToolsForm.h"
#include "tools/LogText.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QPlainTextEdit>
#include <QHostInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QToolButton>
#include <QWindow>

using Page = InternetToolsPage;

namespace {

// Names of this machine come from /etc/hosts, which a bare system (a
// container, a chroot) may not have.
bool resolvesLocalhost()
{
    return QHostInfo::fromName(QStringLiteral("localhost")).error() == QHostInfo::NoError;
}

// The windows as the program makes them; the tools window is opened
// through the tray's items.
struct Program {
    Program()
    {
        ctx.startup.programDirectory = temp.dir.path() + QLatin1Char('/');
        windows.startResidentShell(ctx);
    }

    TInternetToolsForm *open(QAction *item)
    {
        item->trigger();
        return windows.internetToolsForm();
    }
    TMainAppForm &tray() { return *windows.mainAppForm(); }

    testsupport::TempStore temp;
    FakeClock clock{QDateTime(QDate(2001, 1, 10), QTime(12, 0))};
    AppContext ctx{*temp.store, clock, windows};
    Windows windows{clock, QStringLiteral("simulated")};
};

// A finger server of the test's own: it keeps the request line and answers
// with the chunks given, each written on its own, then hangs up (unless
// told to keep the line open).
struct FingerServer : QObject {
    explicit FingerServer(quint16 port, QList<QByteArray> answer, bool hangUp = true)
    {
        listening = server.listen(QHostAddress::LocalHost, port);
        connect(&server, &QTcpServer::newConnection, this, [this, answer, hangUp] {
            QTcpSocket *client = server.nextPendingConnection();
            connect(client, &QTcpSocket::disconnected, this, [this] { clientGone = true; });
            connect(client, &QTcpSocket::readyRead, this, [this, client, answer, hangUp] {
                request += client->readAll();
                if (!request.endsWith("\r\n"))
                    return;
                for (const QByteArray &chunk : answer) {
                    client->write(chunk);
                    client->flush();
                }
                if (hangUp)
                    client->disconnectFromHost();
            });
        });
    }

    QTcpServer server;
    bool listening = false;
    QByteArray request;
    bool clientGone = false;
};

quint16 closedPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
}

void fingerQuery(TInternetToolsForm *form, const QString &query)
{
    form->fingerQueryCombo()->setEditText(query);
    form->fingerButton()->click();
}

} // namespace

class TestInternetToolsForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void trayItemsOpenTheirPage();
    void fingerAnswers_data();
    void fingerAnswers();
    void fingerAnswerPieces_data();
    void fingerAnswerPieces();
    void fingerFailures_data();
    void fingerFailures();
    void cancelFingerEndsTheQuery();
    void lookUps_data();
    void lookUps();
    void pingThroughTheWindow();
    void resizeRules();
};

void TestInternetToolsForm::trayItemsOpenTheirPage()
{
    Program p;
    QVERIFY(!p.windows.internetToolsForm());
    const QList<std::pair<QAction *, Page>> items = {{p.tray().fingerItem(), Page::Finger},
                                                     {p.tray().dnsLookUpItem(), Page::DnsLookUp},
                                                     {p.tray().hostLookUpItem(), Page::HostLookUp},
                                                     {p.tray().pingItem(), Page::Ping}};
    TInternetToolsForm *first = nullptr;
    for (const auto &[item, page] : items) {
        QVERIFY(item->isEnabled());
        TInternetToolsForm *form = p.open(item);
        QVERIFY(form);
        if (!first)
            first = form;
        // One window, brought up at the item's page.
        QCOMPARE(form, first);
        QVERIFY(form->isVisible());
        QTRY_VERIFY(form->windowHandle() && form->windowHandle()->isExposed());
        QCOMPARE(form->currentPage(), page);
        QVERIFY(form->pageTab(page)->isChecked());
    }
    QCOMPARE(first->windowTitle(), QStringLiteral("Internet Tools"));
    QVERIFY(!first->cancelPingButton()->isEnabled());
    QCOMPARE(first->pingTimeoutSpin()->value(), 1000);

    // Closed and opened again, the log is still there until it is cleared.
    first->dnsHostCombo()->setEditText(QStringLiteral("127.0.0.1"));
    first->lookUpButton()->click();
    first->closeButton()->click();
    QVERIFY(!first->isVisible());
    p.windows.showWindow(UiWindow::InternetTools);
    QCOMPARE(p.windows.internetToolsForm(), first);
    QVERIFY(first->isVisible());
    QVERIFY(first->logLines().contains(QStringLiteral("127.0.0.1  (0 addresses)")));
    first->clearButton()->click();
    QCOMPARE(first->resultsLog()->toPlainText(), QString());
    first->helpButton()->click();
    QVERIFY(p.windows.helpWindow());
}

void TestInternetToolsForm::fingerAnswers_data()
{
    QTest::addColumn<QList<QByteArray>>("answer");
    QTest::addColumn<QStringList>("lines");
    const QStringList twoLines{QStringLiteral("Login: alice"), QStringLiteral("Name: Alice Example")};
    QTest::newRow("nothing") << QList<QByteArray>{} << QStringList{};
    QTest::newRow("CR") << QList<QByteArray>{"Login: alice\rName: Alice Example\r"} << twoLines;
    QTest::newRow("CR CR") << QList<QByteArray>{"Login: alice\r\rName: Alice Example\r\r"} << twoLines;
    QTest::newRow("UTF-8 split between chunks")
        << QList<QByteArray>{"Name: Z\xc3", "\xbc" "rich\r\n"} << QStringList{QStringLiteral("Name: Z\u00fcrich")};
    QTest::newRow("CR LF split between chunks")
        << QList<QByteArray>{"Login: al", "ice\r", "\nName: Alice Example\r\n"} << twoLines;
    QTest::newRow("CR LF") << QList<QByteArray>{"Login: alice\r\nName: Alice Example\r\n"} << twoLines;
}

void TestInternetToolsForm::fingerAnswers()
{
    QFETCH(QList<QByteArray>, answer);
    QFETCH(QStringList, lines);
    FingerServer server(79, answer);
    if (!server.listening)
        QSKIP(qPrintable(QStringLiteral("127.0.0.1 port 79 cannot be bound here: ") + server.server.errorString()));
    Program p;
    TInternetToolsForm *form = p.open(p.tray().fingerItem());

    fingerQuery(form, QStringLiteral("alice@127.0.0.1"));
    QVERIFY(!form->fingerButton()->isEnabled());
    QVERIFY(form->cancelFingerButton()->isEnabled());
    QTRY_VERIFY(form->fingerButton()->isEnabled());
    QVERIFY(!form->cancelFingerButton()->isEnabled());

    QCOMPARE(server.request, QByteArray("alice\r\n"));
    QCOMPARE(form->logLines(), QStringList({QString(), QStringLiteral("Query started."), QStringLiteral("Connected to host.")})
                                   + lines + QStringList({QStringLiteral("Done."), QString()}));
    testsupport::screenshot(form, QStringLiteral("internet-tools-finger"));
}

void TestInternetToolsForm::fingerAnswerPieces_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QString>("text");
    QTest::newRow("character cut") << QList<QByteArray>{"Z\xc3", "\xbc" "rich"} << QStringLiteral("Z\u00fcrich");
    QTest::newRow("character cut twice") << QList<QByteArray>{"\xe2", "\x82", "\xac 5"} << QStringLiteral("\u20ac 5");
    QTest::newRow("four bytes one at a time")
        << QList<QByteArray>{"\xf0", "\x9f", "\x93", "\x9e", "!"} << QStringLiteral("\U0001F4DE!");
    // A cut sequence that the next piece shows to be invalid: nothing after it is lost.
    QTest::newRow("invalid after the cut") << QList<QByteArray>{"no \xf3", "\n\nsuch user\n"}
                                           << QStringLiteral("no \ufffd\n\nsuch user\n");
    QTest::newRow("two bytes of three, then text") << QList<QByteArray>{"ab\xe2\x82", "X"} << QString::fromUtf8("ab\xe2\x82X");
    QTest::newRow("stray continuation bytes") << QList<QByteArray>{"a\x82\x82", "\x82\x82" "b"} << QString::fromUtf8("a\x82\x82\x82\x82" "b");
    QTest::newRow("ends inside a character") << QList<QByteArray>{"Z\xc3"} << QStringLiteral("Z\ufffd");
}

void TestInternetToolsForm::fingerAnswerPieces()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QString, text);
    Utf8PieceDecoder decoder;
    QString decoded;
    for (const QByteArray &piece : pieces)
        decoded += decoder.decode(piece);
    decoded += decoder.finish();
    QCOMPARE(decoded, text);
    QCOMPARE(decoded, QString::fromUtf8(pieces.join()));
}

void TestInternetToolsForm::fingerFailures_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("invalid");
    QTest::newRow("port refused") << QStringLiteral("bob@127.0.0.1")
                                  << QStringList{QString(), QStringLiteral("Query started."),
                                                 QStringLiteral("No finger service available."), QStringLiteral("Done."),
                                                 QString()}
                                  << false;
    QTest::newRow("no @") << QStringLiteral("bob") << QStringList{QString()} << true;
    QTest::newRow("nothing after @") << QStringLiteral("bob@ ") << QStringList{QString()} << true;
}

void TestInternetToolsForm::fingerFailures()
{
    QFETCH(QString, query);
    QFETCH(QStringList, lines);
    QFETCH(bool, invalid);
    Program p;
    TInternetToolsForm *form = p.open(p.tray().fingerItem());
    form->fingerClient().Port = closedPort();
    QString box;
    if (invalid) {
        QTimer::singleShot(0, [&box] {
            box = AnswerBoxRequest(QStringLiteral("boxes"), QString()).value_or(QString());
            AnswerBoxRequest(QStringLiteral("answer"), QStringLiteral("ok"));
        });
    }
    fingerQuery(form, query);
    QTRY_VERIFY(form->fingerButton()->isEnabled());
    QVERIFY(!form->cancelFingerButton()->isEnabled());
    QCOMPARE(box.contains(QStringLiteral("box: Invalid Entry, please enter in the form username@hostname.com\n")),
             invalid);
    QCOMPARE(form->logLines(), lines);
}

void TestInternetToolsForm::cancelFingerEndsTheQuery()
{
    // A server that answers part and then keeps the line open.
    FingerServer server(closedPort(), {"Login: carol\r\n"}, false);
    QVERIFY(server.listening);
    Program p;
    TInternetToolsForm *form = p.open(p.tray().fingerItem());
    form->fingerClient().Port = server.server.serverPort();
    fingerQuery(form, QStringLiteral("carol@127.0.0.1"));
    QTRY_VERIFY(form->logLines().contains(QStringLiteral("Login: carol")));
    QVERIFY(form->cancelFingerButton()->isEnabled());

    form->cancelFingerButton()->click();
    QVERIFY(form->fingerButton()->isEnabled());
    QVERIFY(!form->cancelFingerButton()->isEnabled());
    QCOMPARE(form->logLines().mid(3), QStringList({QStringLiteral("Login: carol"), QStringLiteral("Error #10004"),
                                                   QStringLiteral("Done."), QString()}));
    QTRY_VERIFY(server.clientGone);
}

void TestInternetToolsForm::lookUps_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("firstLine");  // a pattern
    QTest::newRow("no such host") << int(Page::DnsLookUp) << QString(64, QLatin1Char('x')) + QStringLiteral(".invalid")
                                  << QStringLiteral("NOT FOUND, ERROR #11001");
    QTest::newRow("dotted address") << int(Page::DnsLookUp) << QStringLiteral("127.0.0.1")
                                    << QStringLiteral("127\\.0\\.0\\.1  \\(0 addresses\\)");
    QTest::newRow("localhost") << int(Page::DnsLookUp) << QStringLiteral("localhost")
                               << QStringLiteral("127\\.0\\.0\\.1  \\([1-9] addresses\\)");
    QTest::newRow("name of 127.0.0.1") << int(Page::HostLookUp) << QStringLiteral("127.0.0.1")
                                       << QStringLiteral("\\S+  \\(1 addresses\\)");
}

void TestInternetToolsForm::lookUps()
{
    QFETCH(int, page);
    QFETCH(QString, asked);
    QFETCH(QString, firstLine);
    if ((asked == QLatin1String("localhost") || page == int(Page::HostLookUp)) && !resolvesLocalhost())
        QSKIP("this system does not resolve \"localhost\"");
    Program p;
    TInternetToolsForm *form =
        p.open(page == int(Page::DnsLookUp) ? p.tray().dnsLookUpItem() : p.tray().hostLookUpItem());
    QPushButton *start = page == int(Page::DnsLookUp) ? form->lookUpButton() : form->hostLookUpButton();
    QPushButton *cancel = page == int(Page::DnsLookUp) ? form->cancelLookUpButton() : form->cancelHostLookUpButton();
    (page == int(Page::DnsLookUp) ? form->dnsHostCombo() : form->reverseAddressCombo())->setEditText(asked);

    start->click();
    QTRY_VERIFY(start->isEnabled());
    QVERIFY(!cancel->isEnabled());
    const QStringList lines = form->logLines();
    QCOMPARE(lines.first(), QStringLiteral("Waiting for DNS..."));
    QVERIFY2(QRegularExpression(QStringLiteral("^") + firstLine + QStringLiteral("$")).match(lines.value(1)).hasMatch(),
             qPrintable(lines.join(QLatin1Char('|'))));
    // Then each entry on its own line, as many as the count says.
    const int count = QRegularExpression(QStringLiteral("\\((\\d+) addresses\\)")).match(lines[1]).captured(1).toInt();
    QCOMPARE(lines.size(), 2 + count + 1);
    if (asked == QLatin1String("localhost"))
        QVERIFY(lines.mid(2).contains(QStringLiteral("127.0.0.1")));
    testsupport::screenshot(form, page == int(Page::DnsLookUp) ? QStringLiteral("internet-tools-dns")
                                                              : QStringLiteral("internet-tools-host"));
}

void TestInternetToolsForm::pingThroughTheWindow()
{
    Program p;
    TInternetToolsForm *form = p.open(p.tray().pingItem());
    form->pingHostCombo()->setEditText(QStringLiteral("127.0.0.1"));
    form->pingTimeoutSpin()->setValue(2000);
    form->pingButton()->click();
    // A dotted address needs no look-up: the echo is done with the click.
    if (form->pinger().ErrorCode != 0 && !form->pinger().socketError.isEmpty())
        QSKIP(qPrintable(QStringLiteral("no ICMP socket is allowed here: ") + form->pinger().socketError));
    QCOMPARE(form->pinger().Timeout, 2000);
    const QStringList lines = form->logLines();
    QCOMPARE(lines.mid(0, 4), QStringList({QString(), QStringLiteral("Resolving host '127.0.0.1'"),
                                           QStringLiteral("Host '127.0.0.1' is 127.0.0.1"),
                                           QStringLiteral("Sending 56 bytes to 127.0.0.1 (127.0.0.1)")}));
    QVERIFY2(QRegularExpression(QStringLiteral("^Received 56 bytes from 127\\.0\\.0\\.1 in \\d+ msecs$"))
                 .match(lines.value(4))
                 .hasMatch(),
             qPrintable(lines.value(4)));
    QVERIFY(form->pingButton()->isEnabled());
    QVERIFY(!form->cancelPingButton()->isEnabled());

    // A name goes through the look-up first.
    if (!resolvesLocalhost())
        QSKIP("this system does not resolve \"localhost\"");
    form->pingHostCombo()->setEditText(QStringLiteral("localhost"));
    form->pingButton()->click();
    QVERIFY(form->cancelPingButton()->isEnabled());
    QTRY_VERIFY(form->pingButton()->isEnabled());
    QVERIFY(form->logLines().contains(QStringLiteral("Host 'localhost' is 127.0.0.1")));
    QVERIFY(form->logLines().contains(QStringLiteral("Sending 56 bytes to localhost (127.0.0.1)")));
    testsupport::screenshot(form, QStringLiteral("internet-tools-ping"));
}

void TestInternetToolsForm::resizeRules()
{
    Program p;
    TInternetToolsForm *form = p.open(p.tray().pingItem());
    QCOMPARE(form->minimumSize(), QSize(TInternetToolsForm::DesignWidth, TInternetToolsForm::DesignHeight));
    for (const QSize size : {QSize(600, 400), QSize(900, 650)}) {
        form->resize(size);
        // The rules measure the window with the frame it was designed with.
        const int w = size.width() + 8;
        const int h = size.height() + 27;
        QCOMPARE(form->resultsPanel()->size(), QSize(w - 255, h - 98));
        QCOMPARE(form->resultsLog()->size(), QSize(w - 279, h - 185));
        QCOMPARE(form->closeButton()->pos(), QPoint(w - 90, h - 78));
        QCOMPARE(form->helpButton()->y(), h - 78);
        QCOMPARE(form->clearButton()->pos(), QPoint(w - 342, h - 133));
        // Nothing leaves the window.
        QVERIFY(form->rect().contains(form->resultsPanel()->geometry()));
        QVERIFY(form->rect().contains(form->closeButton()->geometry()));
        QVERIFY(form->resultsPanel()->rect().contains(form->clearButton()->geometry()));
    }
}

TALLYLINE_TEST_MAIN(TestInternetToolsForm)
#include "TestInternetToolsForm.moc"
