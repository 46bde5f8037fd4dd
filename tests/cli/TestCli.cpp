#include "core/Errors.h"
#include "session/SessionRecord.h"
#include "store/FloatText.h"
#include "store/SessionDaySummary.h"
#include "store/Store.h"
#include "support/SessionFixture.h"
#include "support/TariffSeed.h"
#include "support/TestMain.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

using testsupport::AddSeedUser;
using testsupport::SeedSession;
using testsupport::SeedUser;
using testsupport::TariffSeed;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// Runs the built command in the test's locale and private XDG folders.
Run runCli(const QStringList &arguments)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB.UTF-8"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("en_GB.UTF-8"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TALLYLINE_CLI_EXECUTABLE), arguments);
    Run run;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

DateTime moment(int y, int m, int d, int h, int min)
{
    return DateTimeFromQDateTime(QDateTime(QDate(y, m, d), QTime(h, min)));
}

QString storeFile(const QString &dir)
{
    return QDir(dir).filePath(QString::fromLatin1(Store::DefaultFileName));
}

// alice (monthly, billed on the 1st, created 5 January 2001, logged in
// last) and bob (weekly from Mondays). Connection names that CSV must quote.
void seedStore(const QString &dir, bool summarised = true)
{
    std::unique_ptr<Store> store = Store::open(storeFile(dir));
    Settings settings;
    const int alice = AddSeedUser(*store, settings, SeedUser{QStringLiteral("alice"), QStringLiteral("pw")});
    const int bob = AddSeedUser(*store, settings,
                                SeedUser{QStringLiteral("bob"), QStringLiteral("pw"), QStringLiteral("Weekly"),
                                         QStringLiteral("1")});
    store->WriteStoreString(QStringLiteral("Creation Date"), TariffKeys::user(alice),
                            FloatToStoreText(DateTimeFromQDate(QDate(2001, 1, 5))));
    store->WriteStoreInteger(QStringLiteral("PreviousUser"), QStringLiteral("Users"), alice);
    TariffSeed a(*store, alice);
    a.session(SeedSession{moment(2001, 2, 10, 9, 0), 3600, 1.5, 2097152, 1024, QStringLiteral("Any")});
    a.session(SeedSession{moment(2001, 3, 1, 23, 30), 2700, 0.25, 512000, 20480, QStringLiteral("Work, Inc")});
    a.session(SeedSession{moment(2001, 3, 15, 8, 0), 600, 0.125, 1048576, 0, QStringLiteral("Dial \"Home\"")});
    a.session(SeedSession{moment(2001, 3, 15, 12, 0), 900, 0.5, 100, 50, QStringLiteral("Any")});
    TariffSeed(*store, bob).session(SeedSession{moment(2001, 3, 15, 10, 0), 60, 0.75, 10, 10, QStringLiteral("Any")});
    if (summarised)
        RebuildSessionDaySummary(*store);
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("missing");
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

// The journal's committed frames: a reader may leave an empty journal (and
// the shared-memory index) where there was none, as SQLite's readers do.
QByteArray journalHash(const QString &storePath)
{
    const QString path = storePath + QStringLiteral("-wal");
    return QFileInfo(path).size() > 0 ? fileHash(path) : QByteArray("empty");
}

// A connection of this process that shuts every other out: exclusive
// locking mode, holding its write lock until closed.
struct ExclusiveHolder {
    explicit ExclusiveHolder(const QString &path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        ok = sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~ExclusiveHolder()
    {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    sqlite3 *db = nullptr;
    bool ok = false;
};

const QString Today = QStringLiteral("--today=2001-03-15");

QStringList words(const char *line)
{
    return QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void output_data();
    void output();
    void jsonDocuments_data();
    void jsonDocuments();
    void choosesAndNamesUser_data();
    void choosesAndNamesUser();
    void errors_data();
    void errors();
    void lockedStoreCannotBeRead();
    void readsBesideOpenWriteTransaction();
    void leavesStoreUnchanged_data();
    void leavesStoreUnchanged();
    void historyTotalsAgreeWithSessions();
    void defaultDataDirectory();
    void helpAndVersion();
    void readOnlyStoreRefusesWrites_data();
    void readOnlyStoreRefusesWrites();
    void readOnlyStoreNeverCreatesFile();
};

void TestCli::output_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");

    QTest::newRow("sessions text, current period")
        << words("sessions --today=2001-03-15")
        << QStringLiteral(
               "Sessions of alice, Month 3 : 01 Mar 01 - 01 Apr 01\n"
               "\n"
               "Date        No.  Start time  End time  Time Online    Cost  Download   Upload  Connection\n"
               "01/03/2001    1  23:30:00    00:15:00     00:45:00  £0.250  500.00 k  20.00 k  Work, Inc\n"
               "15/03/2001    1  08:00:00    08:10:00     00:10:00  £0.125   1.00 MB   0.00 k  Dial \"Home\"\n"
               "15/03/2001    2  12:00:00    12:15:00     00:15:00  £0.500    0.10 k   0.05 k  Default\n"
               "----------  ---  ----------  --------  -----------  ------  --------  -------  -----------\n"
               "Total         3                           01:10:00   £0.88   1.49 MB  20.05 k\n");
    QTest::newRow("sessions csv, a day range")
        << words("sessions --from 2001-02-10 --to 2001-03-01 --format=csv --today=2001-03-15")
        << QStringLiteral("date,number,start,end,seconds,cost,downloaded,uploaded,connection\r\n"
                          "2001-02-10,1,2001-02-10T09:00:00,2001-02-10T10:00:00,3600,1.5,2097152,1024,Default\r\n"
                          "2001-03-01,1,2001-03-01T23:30:00,2001-03-02T00:15:00,2700,0.25,512000,20480,\"Work, Inc\"\r\n");
    QTest::newRow("sessions csv quotes quotes")
        << words("sessions --from=2001-03-15 --to=2001-03-15 --format csv --today=2001-03-15")
        << QStringLiteral("date,number,start,end,seconds,cost,downloaded,uploaded,connection\r\n"
                          "2001-03-15,1,2001-03-15T08:00:00,2001-03-15T08:10:00,600,0.125,1048576,0,\"Dial \"\"Home\"\"\"\r\n"
                          "2001-03-15,2,2001-03-15T12:00:00,2001-03-15T12:15:00,900,0.5,100,50,Default\r\n");
    QTest::newRow("sessions text, empty period 1")
        << words("sessions --period=1 --today=2001-03-15")
        << QStringLiteral("Sessions of alice, Month 1 : 01 Jan 01 - 01 Feb 01\n"
                          "\n"
                          "Date   No.  Start time  End time  Time Online   Cost  Download  Upload  Connection\n"
                          "-----  ---  ----------  --------  -----------  -----  --------  ------  ----------\n"
                          "Total    0                           00:00:00  £0.00    0.00 k  0.00 k\n");
    QTest::newRow("totals text")
        << words("totals --today=2001-03-15")
        << QStringLiteral(
               "Totals of alice on 15/03/2001, Month 3 : 01 Mar 01 - 01 Apr 01\n"
               "\n"
               "Totals      Connection   From        To          Sessions  Time Online   Cost  Download\n"
               "Today                    15/03/2001  15/03/2001         2     00:25:00  £0.63   1.00 MB\n"
               "This month               01/03/2001  31/03/2001         3     01:10:00  £0.88   1.49 MB\n"
               "Connection  Default      01/03/2001  31/03/2001         1     00:15:00  £0.50    0.10 k\n"
               "Connection  Dial \"Home\"  01/03/2001  31/03/2001         1     00:10:00  £0.13   1.00 MB\n"
               "Connection  Work, Inc    01/03/2001  31/03/2001         1     00:45:00  £0.25  500.00 k\n");
    QTest::newRow("totals csv")
        << words("totals --format=csv --today=2001-03-15")
        << QStringLiteral("scope,connection,from,to,sessions,seconds,cost,downloaded\r\n"
                          "today,,2001-03-15,2001-03-15,2,1500,0.625,1048676\r\n"
                          "period,,2001-03-01,2001-03-31,3,4200,0.875,1560676\r\n"
                          "connection,Default,2001-03-01,2001-03-31,1,900,0.5,100\r\n"
                          "connection,\"Dial \"\"Home\"\"\",2001-03-01,2001-03-31,1,600,0.125,1048576\r\n"
                          "connection,\"Work, Inc\",2001-03-01,2001-03-31,1,2700,0.25,512000\r\n");
    QTest::newRow("bill text, current")
        << words("bill --today=2001-03-15")
        << QStringLiteral("Bill of alice, Month 3 : 01 Mar 01 - 01 Apr 01\n"
                          "Statistics for this month are shown below :\n"
                          "Number of connections : 3\n"
                          "Total time online : 01:10:00\n"
                          "Total cost : £0.88\n");
    QTest::newRow("bill csv, all periods")
        << words("bill --period=all --format=csv --today=2001-03-15")
        << QStringLiteral("period,from,to,connections,seconds,cost\r\n"
                          "all,2001-01-01,2001-03-31,4,7800,2.375\r\n");
    QTest::newRow("bill json, period 2")
        << words("bill --period=2 --format=json --today=2001-03-15")
        << QStringLiteral("{\n"
                          "    \"connections\": 1,\n"
                          "    \"cost\": 1.5,\n"
                          "    \"from\": \"2001-02-01\",\n"
                          "    \"period\": 2,\n"
                          "    \"seconds\": 3600,\n"
                          "    \"text\": \"Month 2 : 01 Feb 01 - 01 Mar 01\",\n"
                          "    \"to\": \"2001-02-28\",\n"
                          "    \"user\": \"alice\"\n"
                          "}\n");
}

void TestCli::output()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    seedStore(dir.path());
    const Run run = runCli(QStringList{QStringLiteral("--data-dir"), dir.path()} + arguments);
    if (run.out != expected)
        qWarning().noquote() << "The whole output:\n" + run.out;  // QCOMPARE shows only its start
    QCOMPARE(run.out, expected);
    QCOMPARE(run.status, 0);
}

// The JSON documents' content, compared member by member (the layout of
// every document is that of the bill's, compared byte by byte above).
void TestCli::jsonDocuments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("sessions, previous period")
        << words("sessions --period=previous --today=2001-03-15")
        << QByteArray(R"({"from": "2001-02-01", "to": "2001-02-28", "user": "alice",
            "sessions": [{"connection": "Default", "cost": 1.5, "date": "2001-02-10", "downloaded": 2097152,
                          "end": "2001-02-10T10:00:00", "number": 1, "seconds": 3600,
                          "start": "2001-02-10T09:00:00", "uploaded": 1024}],
            "total": {"cost": 1.5, "downloaded": 2097152, "seconds": 3600, "sessions": 1, "uploaded": 1024}})");
    QTest::newRow("totals of bob, weekly")
        << words("totals --user=bob --today=2001-03-15")
        << QByteArray(R"({"period": {"from": "2001-03-12", "number": 64, "text": "Week 64 : 12 Mar 01 - 19 Mar 01",
                       "to": "2001-03-18"},
            "today": "2001-03-15", "user": "bob",
            "totals": [
              {"connection": null, "cost": 0.75, "downloaded": 10, "from": "2001-03-15", "scope": "today",
               "seconds": 60, "sessions": 1, "to": "2001-03-15"},
              {"connection": null, "cost": 0.75, "downloaded": 10, "from": "2001-03-12", "scope": "period",
               "seconds": 60, "sessions": 1, "to": "2001-03-18"},
              {"connection": "Default", "cost": 0.75, "downloaded": 10, "from": "2001-03-12",
               "scope": "connection", "seconds": 60, "sessions": 1, "to": "2001-03-18"}]})");
}

void TestCli::jsonDocuments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    seedStore(dir.path());
    const Run run = runCli(QStringList{QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--format=json")}
                           + arguments);
    QCOMPARE(run.status, 0);
    QJsonParseError error{};
    const QJsonDocument actual = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonDocument wanted = QJsonDocument::fromJson(expected);
    QVERIFY(wanted.isObject());
    QCOMPARE(actual, wanted);
    // Numbers are numbers, not texts.
    QVERIFY(actual.object().value(QStringLiteral("user")).isString());
}

void TestCli::choosesAndNamesUser_data()
{
    QTest::addColumn<int>("previousUser");
    QTest::addColumn<bool>("removeBob");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("err");

    QTest::newRow("logged in last") << 2 << false << QString() << 0 << QStringLiteral("Bill of bob")
                                    << QStringLiteral("tallyline-cli: user bob (the user logged in last)\n");
    QTest::newRow("asked for") << 2 << false << QStringLiteral("--user=alice") << 0 << QStringLiteral("Bill of alice")
                               << QString();
    QTest::newRow("the only user") << 0 << true << QString() << 0 << QStringLiteral("Bill of alice")
                                   << QStringLiteral("tallyline-cli: user alice (the only user)\n");
    QTest::newRow("previous user gone") << 2 << true << QString() << 0 << QStringLiteral("Bill of alice")
                                        << QStringLiteral("tallyline-cli: user alice (the only user)\n");
    QTest::newRow("nobody to choose") << 0 << false << QString() << 5 << QString()
                                      << QStringLiteral("tallyline-cli: nobody has logged in yet; choose a user with "
                                                        "--user (users: alice, bob)\n");
    QTest::newRow("unknown user") << 1 << false << QStringLiteral("--user=carol") << 5 << QString()
                                  << QStringLiteral("tallyline-cli: no user 'carol' (users: alice, bob)\n");
    QTest::newRow("names are exact") << 1 << false << QStringLiteral("--user=Alice") << 5 << QString()
                                     << QStringLiteral("tallyline-cli: no user 'Alice' (users: alice, bob)\n");
}

void TestCli::choosesAndNamesUser()
{
    QFETCH(int, previousUser);
    QFETCH(bool, removeBob);
    QFETCH(QString, arguments);
    QFETCH(int, status);
    QFETCH(QString, heading);
    QFETCH(QString, err);
    QTemporaryDir dir;
    seedStore(dir.path());
    {
        std::unique_ptr<Store> store = Store::open(storeFile(dir.path()));
        store->WriteStoreInteger(QStringLiteral("PreviousUser"), QStringLiteral("Users"), previousUser);
        if (removeBob)
            store->WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 1);
    }
    QStringList args{QStringLiteral("bill"), QStringLiteral("--data-dir"), dir.path(), Today};
    if (!arguments.isEmpty())
        args.append(arguments);
    const Run run = runCli(args);
    QCOMPARE(run.err, err);
    QCOMPARE(run.status, status);
    if (status == 0)
        QVERIFY2(run.out.startsWith(heading), qPrintable(run.out));
    else
        QCOMPARE(run.out, QString());
}

void TestCli::errors_data()
{
    QTest::addColumn<QString>("store");  // "seeded", "none", "empty file", "no directory"
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");  // DIR stands for the data directory

    const auto row = [](const char *tag, const char *store, const char *arguments, int status, const char *err) {
        QTest::newRow(tag) << QString::fromLatin1(store) << words(arguments) << status << QString::fromUtf8(err);
    };
    const char *const chosen = "tallyline-cli: user alice (the user logged in last)\n";
    row("no database", "none", "sessions", 3, "tallyline-cli: no Tallyline database in DIR\n");
    row("no directory", "no directory", "sessions", 3, "tallyline-cli: no Tallyline database in DIR\n");
    row("not a database", "empty file", "sessions", 1,
        "tallyline-cli: The file 'DIR/Tallyline.sqlite' is not a Tallyline database (the file is empty). "
        "It has been left untouched.\n");
    row("impossible day", "seeded", "sessions --from=2001-02-30 --to=2001-03-01", 2,
        "tallyline-cli: bad date '2001-02-30' for --from: write YYYY-MM-DD\n");
    row("day written the local way", "seeded", "sessions --from=2001-02-01 --to=01/03/2001", 2,
        "tallyline-cli: bad date '01/03/2001' for --to: write YYYY-MM-DD\n");
    row("bad today", "seeded", "totals --today=2001-3-5", 2,
        "tallyline-cli: bad date '2001-3-5' for --today: write YYYY-MM-DD\n");
    row("range backwards", "seeded", "sessions --from=2001-03-02 --to=2001-03-01", 2,
        "tallyline-cli: the range 2001-03-02 to 2001-03-01 ends before it starts\n");
    row("half a range", "seeded", "sessions --from=2001-03-02", 2, "tallyline-cli: a range needs both --from and --to\n");
    row("range and period", "seeded", "sessions --period=1 --from=2001-03-01 --to=2001-03-02", 2,
        "tallyline-cli: give either --period or --from and --to, not both\n");
    row("bad period", "seeded", "bill --period=last", 2,
        "tallyline-cli: bad period 'last': current, previous, all or a number from 1\n");
    row("period zero", "seeded", "bill --period=0", 2,
        "tallyline-cli: bad period '0': current, previous, all or a number from 1\n");
    row("period not yet", "seeded", "bill --period=4 --today=2001-03-15", 2,
        (QByteArray(chosen) + "tallyline-cli: --period 4: the periods are numbered 1 to 3\n").constData());
    row("no previous period", "seeded", "sessions --period=previous --today=2001-01-20", 2,
        (QByteArray(chosen) + "tallyline-cli: --period previous: there is no period before the current one\n").constData());
    row("period of totals", "seeded", "totals --period=1", 2,
        "tallyline-cli: totals are always of the current period: --period is not taken\n");
    row("range of a bill", "seeded", "bill --from=2001-03-01 --to=2001-03-02", 2,
        "tallyline-cli: --from and --to are for sessions only\n");
    row("unknown command", "seeded", "delete", 2, "tallyline-cli: unknown command 'delete': sessions, totals or bill\n");
    row("no command", "seeded", "", 2, "tallyline-cli: no command given: sessions, totals or bill (see --help)\n");
    row("two commands", "seeded", "bill totals", 2, "tallyline-cli: one command at a time, not 'bill totals'\n");
    row("unknown option", "seeded", "bill --month=3", 2, "tallyline-cli: Unknown option 'month'. (see --help)\n");
    row("unknown format", "seeded", "bill --format=xml", 2, "tallyline-cli: unknown format 'xml': text, csv or json\n");
    // Usage is checked before the store is looked for.
    row("bad date, no database", "none", "sessions --from=x --to=2001-01-01", 2,
        "tallyline-cli: bad date 'x' for --from: write YYYY-MM-DD\n");
}

void TestCli::errors()
{
    QFETCH(QString, store);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, err);
    QTemporaryDir temp;
    QString dir = temp.path();
    if (store == QLatin1String("seeded")) {
        seedStore(dir);
    } else if (store == QLatin1String("empty file")) {
        QFile file(storeFile(dir));
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (store == QLatin1String("no directory")) {
        dir += QStringLiteral("/missing");
    }
    const QByteArray before = fileHash(storeFile(dir));
    const Run run = runCli(QStringList{QStringLiteral("--data-dir"), dir} + arguments);
    QCOMPARE(run.err, QString(err).replace(QStringLiteral("DIR"), dir));
    QCOMPARE(run.out, QString());
    QCOMPARE(run.status, status);
    // Nothing is created or repaired on the way out.
    QCOMPARE(fileHash(storeFile(dir)), before);
    if (store == QLatin1String("none") || store == QLatin1String("no directory"))
        QVERIFY(!QFileInfo::exists(storeFile(dir)));
}

void TestCli::lockedStoreCannotBeRead()
{
    QTemporaryDir dir;
    seedStore(dir.path());
    const QStringList args{QStringLiteral("totals"), QStringLiteral("--data-dir"), dir.path(), Today};
    {
        ExclusiveHolder holder(storeFile(dir.path()));
        QVERIFY(holder.ok);
        const Run run = runCli(args);
        QCOMPARE(run.err, QStringLiteral("tallyline-cli: the Tallyline database in %1 is locked by another program; "
                                         "try again later\n")
                              .arg(dir.path()));
        QCOMPARE(run.out, QString());
        QCOMPARE(run.status, 4);
    }
    // The lock was the only obstacle.
    const Run after = runCli(args);
    QCOMPARE(after.status, 0);
    QVERIFY(after.out.startsWith(QStringLiteral("Totals of alice")));
}

void TestCli::readsBesideOpenWriteTransaction()
{
    QTemporaryDir dir;
    seedStore(dir.path());
    const QStringList args{QStringLiteral("sessions"), QStringLiteral("--data-dir"), dir.path(),
                           QStringLiteral("--user=alice"), QStringLiteral("--format=csv"), QStringLiteral("--from=2001-03-16"),
                           QStringLiteral("--to=2001-03-16"), Today};
    const QString header = QStringLiteral("date,number,start,end,seconds,cost,downloaded,uploaded,connection\r\n");
    const QString added = QStringLiteral("2001-03-16,1,2001-03-16T07:00:00,2001-03-16T07:01:40,100,0.5,1,2,Default\r\n");

    std::unique_ptr<Store> writer = Store::open(storeFile(dir.path()));
    {
        // The tray program in the middle of a pricing tick: its write lock held.
        Store::Transaction tick(*writer, Store::Transaction::Lock::Immediate);
        TariffSeed(*writer, 1).session(SeedSession{moment(2001, 3, 16, 7, 0), 100, 0.5, 1, 2, QStringLiteral("Any")});
        const Run during = runCli(args);
        QCOMPARE(during.err, QString());
        QCOMPARE(during.status, 0);
        QCOMPARE(during.out, header);  // the last committed state: not yet the new session
        tick.commit();
    }
    const Run committed = runCli(args);
    QCOMPARE(committed.status, 0);
    QCOMPARE(committed.out, header + added);
}

void TestCli::leavesStoreUnchanged_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("summarised");
    QTest::addColumn<bool>("writerOpen");  // committed frames still in the journal

    for (const bool summarised : {true, false}) {
        for (const bool writerOpen : {false, true}) {
            const char *tag = summarised ? "summary in step" : "summary out of step";
            const char *writer = writerOpen ? ", writer open" : "";
            QTest::addRow("sessions, %s%s", tag, writer)
                << QStringList{QStringLiteral("sessions"), QStringLiteral("--period=all")} << summarised << writerOpen;
            QTest::addRow("totals json, %s%s", tag, writer)
                << QStringList{QStringLiteral("totals"), QStringLiteral("--format=json")} << summarised << writerOpen;
            QTest::addRow("bill csv, %s%s", tag, writer)
                << QStringList{QStringLiteral("bill"), QStringLiteral("--format=csv")} << summarised << writerOpen;
        }
    }
}

void TestCli::leavesStoreUnchanged()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, summarised);
    QFETCH(bool, writerOpen);
    QTemporaryDir dir;
    seedStore(dir.path(), summarised);
    const QString path = storeFile(dir.path());
    std::unique_ptr<Store> writer;
    if (writerOpen) {
        // As the running program leaves it: its last commits not yet folded in.
        writer = Store::open(path);
        sqlite3_wal_autocheckpoint(writer->connectionForTesting(), 0);
        writer->WriteStoreString(QStringLiteral("Real Name"), TariffKeys::user(2), QStringLiteral("Bob B."));
        QVERIFY(QFileInfo(path + QStringLiteral("-wal")).size() > 0);
    }
    const QByteArray before = fileHash(path);
    const QByteArray journalBefore = journalHash(path);
    const Run run = runCli(QStringList{QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--user=alice"), Today}
                           + arguments);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);
    QCOMPARE(fileHash(path), before);
    QCOMPARE(journalHash(path), journalBefore);
    writer.reset();

    // An out-of-step summary is read past, not rebuilt: the totals still come
    // out as the tree has them.
    if (arguments.first() == QLatin1String("totals")) {
        const QJsonObject doc = QJsonDocument::fromJson(run.out.toUtf8()).object();
        const QJsonObject period = doc.value(QStringLiteral("totals")).toArray().at(1).toObject();
        QCOMPARE(period.value(QStringLiteral("sessions")).toInteger(), 3);
        QCOMPARE(period.value(QStringLiteral("cost")).toDouble(), 0.875);
    }
    std::unique_ptr<Store> store = Store::open(path);
    QCOMPARE(store->sessionSummaryInStep(), summarised);
}

void TestCli::historyTotalsAgreeWithSessions()
{
    // A year of made-up history; the totals (from the per-day sums) must
    // agree with the sessions listed one by one.
    QTemporaryDir dir;
    QProcess history;
    history.start(QStringLiteral(TALLYLINE_HISTORY_EXECUTABLE),
                  {QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--end"), QStringLiteral("2024-06-20"),
                   QStringLiteral("--sessions-per-day"), QStringLiteral("5"), QStringLiteral("--seed"), QStringLiteral("7")});
    QVERIFY(history.waitForFinished(120000));
    QCOMPARE(history.exitCode(), 0);

    const QStringList common{QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--today=2024-06-20"),
                             QStringLiteral("--format=json")};
    const Run totals = runCli(QStringList{QStringLiteral("totals")} + common);
    QCOMPARE(totals.status, 0);
    const QJsonObject doc = QJsonDocument::fromJson(totals.out.toUtf8()).object();
    const QJsonObject period = doc.value(QStringLiteral("period")).toObject();
    QCOMPARE(period.value(QStringLiteral("from")).toString(), QStringLiteral("2024-06-01"));
    QCOMPARE(period.value(QStringLiteral("to")).toString(), QStringLiteral("2024-06-30"));
    const QJsonArray rows = doc.value(QStringLiteral("totals")).toArray();

    const Run listed = runCli(QStringList{QStringLiteral("sessions"), QStringLiteral("--period=current")} + common);
    QCOMPARE(listed.status, 0);
    const QJsonObject list = QJsonDocument::fromJson(listed.out.toUtf8()).object();
    const QJsonArray sessions = list.value(QStringLiteral("sessions")).toArray();
    QCOMPARE(sessions.size(), 20 * 5);  // 1 to 20 June
    qint64 seconds = 0, todaySessions = 0;
    double cost = 0;
    for (const QJsonValue &s : sessions) {
        seconds += s[QStringLiteral("seconds")].toInteger();
        cost += s[QStringLiteral("cost")].toDouble();
        if (s[QStringLiteral("date")].toString() == QLatin1String("2024-06-20"))
            ++todaySessions;
    }
    const QJsonObject today = rows.at(0).toObject();
    const QJsonObject month = rows.at(1).toObject();
    QCOMPARE(today.value(QStringLiteral("sessions")).toInteger(), todaySessions);
    QCOMPARE(month.value(QStringLiteral("sessions")).toInteger(), qint64(sessions.size()));
    QCOMPARE(month.value(QStringLiteral("seconds")).toInteger(), seconds);
    QVERIFY(qAbs(month.value(QStringLiteral("cost")).toDouble() - cost) < 1e-6);
    // The per-connection rows share the month out.
    qint64 perConnection = 0;
    for (qsizetype i = 2; i < rows.size(); ++i)
        perConnection += rows.at(i)[QStringLiteral("sessions")].toInteger();
    QCOMPARE(perConnection, qint64(sessions.size()));
}

void TestCli::defaultDataDirectory()
{
    // The program's own data directory under XDG_DATA_HOME, which the test
    // environment points at a private folder.
    const QString dir = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Kelmora/Tallyline");
    QVERIFY(dir.startsWith(QDir::tempPath()));
    QVERIFY(QDir().mkpath(dir));
    seedStore(dir);
    const Run run = runCli({QStringLiteral("bill"), QStringLiteral("--format=csv"), Today});
    QDir(dir).removeRecursively();
    QCOMPARE(run.err, QStringLiteral("tallyline-cli: user alice (the user logged in last)\n"));
    QCOMPARE(run.out, QStringLiteral("period,from,to,connections,seconds,cost\r\n"
                                     "3,2001-03-01,2001-03-31,3,4200,0.875\r\n"));
    QCOMPARE(run.status, 0);
}

void TestCli::helpAndVersion()
{
    const Run help = runCli({QStringLiteral("--help")});
    QCOMPARE(help.status, 0);
    for (const char *line : {"  2  usage error", "  3  no Tallyline database", "  4  the database is locked",
                             "  5  unknown user", "--format <FORMAT>", "--data-dir <DIR>"})
        QVERIFY2(help.out.contains(QLatin1String(line)), line);
    const Run version = runCli({QStringLiteral("--version")});
    QCOMPARE(version.status, 0);
    QVERIFY2(version.out.startsWith(QStringLiteral("tallyline-cli ")), qPrintable(version.out));
}

void TestCli::readOnlyStoreRefusesWrites_data()
{
    QTest::addColumn<int>("write");
    QTest::newRow("integer value") << 0;
    QTest::newRow("new key") << 1;
    QTest::newRow("key deleted") << 2;
    QTest::newRow("value in a transaction") << 3;
    QTest::newRow("session record") << 4;
    QTest::newRow("summary rebuild") << 5;
}

void TestCli::readOnlyStoreRefusesWrites()
{
    QFETCH(int, write);
    QTemporaryDir dir;
    seedStore(dir.path(), false);
    const QString path = storeFile(dir.path());
    const QByteArray before = fileHash(path);
    std::unique_ptr<Store> store = Store::openReadOnly(path);
    QVERIFY(store->readOnly());
    int sessions = 0;
    QVERIFY(store->ReadStoreInteger(QStringLiteral("NumberOfSessions"), SessionDayKey(1, DateTimeFromQDate(QDate(2001, 3, 15))),
                                    sessions));
    QCOMPARE(sessions, 2);
    bool refused = false;  // or, for the rebuild, quietly left alone
    try {
        switch (write) {
        case 0:
            store->WriteStoreInteger(QStringLiteral("PreviousUser"), QStringLiteral("Users"), 2);
            break;
        case 1:
            store->createKey(QStringLiteral("Software\\Kelmora\\Tallyline\\New"));
            break;
        case 2:
            store->DeleteStoreKey(QStringLiteral("Users\\User2"));
            break;
        case 3: {
            Store::Transaction tx(*store, Store::Transaction::Lock::Immediate);
            store->setValue(QStringLiteral("Software\\Kelmora\\Tallyline\\Users"),
                            StoreValue{QStringLiteral("PreviousUser"), RegDword, qint64(2)});
            tx.commit();
            break;
        }
        case 4:
            WriteSessionRecord(*store, 1, DateTimeFromQDate(QDate(2001, 3, 15)), 1, SessionRecord{});
            break;
        case 5:
            // Out of step and read-only: left alone, the sums walk the tree.
            try {
                RebuildSessionDaySummary(*store);
            } catch (const StoreError &e) {
                QFAIL(qPrintable(e.message()));
            }
            QCOMPARE(SumSessionDays(*store, 1, DateTimeFromQDate(QDate(2001, 3, 1)), DateTimeFromQDate(QDate(2001, 4, 1))).sessions,
                     qint64(3));
            refused = true;
            break;
        }
    } catch (const StoreError &) {
        refused = true;
    }
    QVERIFY(refused);
    store.reset();
    QCOMPARE(fileHash(path), before);
}

void TestCli::readOnlyStoreNeverCreatesFile()
{
    QTemporaryDir dir;
    const QString path = storeFile(dir.path());
    QVERIFY_THROWS_EXCEPTION(StoreOpenError, Store::openReadOnly(path));
    QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TALLYLINE_ENGINE_TEST_MAIN(TestCli)
#include "TestCli.moc"
