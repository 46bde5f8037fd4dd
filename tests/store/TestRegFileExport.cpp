// The backup writer streams the file as it reads the store. These tests hold
// it to the bytes of the writer it replaced (which built the whole file in
// memory first, kept below as the measure), and to the promise that a backup
// which cannot be completed never takes the place of a good one.

#include "session/SessionRecord.h"
#include "store/RegFile.h"
#include "store/Store.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// ------------------------------------------------ the whole-file writer, as it was

namespace wholefile {

const QString Header = QStringLiteral("Windows Registry Editor Version 5.00");
const QStringList RootParts = {QStringLiteral("Software"), QStringLiteral("Kelmora"), QStringLiteral("Tallyline")};

QString escaped(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

bool fitsOnOneLine(const QString &text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.unicode() == 0)
            return false;
    }
    return true;
}

QByteArray utf16le(const QString &text, bool terminate)
{
    QByteArray out;
    for (const QChar c : text) {
        out.append(char(c.unicode() & 0xff));
        out.append(char(c.unicode() >> 8));
    }
    if (terminate)
        out.append(2, '\0');
    return out;
}

QByteArray littleEndian(quint64 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
    return out;
}

void appendHex(QString &out, const QString &prefix, const QByteArray &bytes)
{
    static const char digits[] = "0123456789abcdef";
    QString line = prefix;
    bool lineHasBytes = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        QString token;
        token += QLatin1Char(digits[b >> 4]);
        token += QLatin1Char(digits[b & 15]);
        if (i + 1 < bytes.size())
            token += QLatin1Char(',');
        if (lineHasBytes && line.size() + token.size() + 1 > 80) {
            out += line + QLatin1String("\\\r\n");
            line = QStringLiteral("  ");
        }
        line += token;
        lineHasBytes = true;
    }
    out += line + QLatin1String("\r\n");
}

void appendValue(QString &out, const StoreValue &value)
{
    const QString name = value.name.isEmpty() ? QStringLiteral("@")
                                              : QLatin1Char('"') + escaped(value.name) + QLatin1Char('"');
    switch (value.type) {
    case RegSz: {
        const QString text = value.data.toString();
        if (fitsOnOneLine(text))
            out += name + QLatin1String("=\"") + escaped(text) + QLatin1String("\"\r\n");
        else
            appendHex(out, name + QLatin1String("=hex(1):"), utf16le(text, true));
        return;
    }
    case RegExpandSz:
        appendHex(out, name + QLatin1String("=hex(2):"), utf16le(value.data.toString(), true));
        return;
    case RegDword:
        out += name + QStringLiteral("=dword:%1\r\n").arg(quint32(value.data.toLongLong()), 8, 16, QLatin1Char('0'));
        return;
    case RegQword:
        appendHex(out, name + QLatin1String("=hex(b):"), littleEndian(quint64(value.data.toLongLong()), 8));
        return;
    case RegBinary:
        appendHex(out, name + QLatin1String("=hex:"), value.data.toByteArray());
        return;
    default:
        appendHex(out, name + QStringLiteral("=hex(%1):").arg(value.type, 0, 16), value.data.toByteArray());
        return;
    }
}

void appendKey(Store &store, QString &out, const QString &hivePath, qint64 &keys, qint64 &values)
{
    out += QLatin1String("\r\n[HKEY_LOCAL_MACHINE\\") + hivePath + QLatin1String("]\r\n");
    ++keys;
    const QList<StoreValue> list = store.values(hivePath);
    for (const StoreValue &v : list)
        appendValue(out, v);
    values += list.size();
    for (const QString &child : store.subkeyNames(hivePath))
        appendKey(store, out, hivePath + QLatin1Char('\\') + child, keys, values);
}

QByteArray exportBytes(Store &store)
{
    QString text = Header + QLatin1String("\r\n; Tallyline database backup\r\n");
    QString path;
    for (const QString &part : RootParts) {
        QString match;
        for (const QString &name : store.subkeyNames(path)) {
            if (name.compare(part, Qt::CaseInsensitive) == 0) {
                match = name;
                break;
            }
        }
        if (match.isEmpty()) {
            path.clear();
            break;
        }
        path = path.isEmpty() ? match : path + QLatin1Char('\\') + match;
    }
    qint64 keys = 0;
    qint64 values = 0;
    if (!path.isEmpty())
        appendKey(store, text, path, keys, values);
    text += QStringLiteral("\r\n; End of Tallyline backup: %1 keys, %2 values\r\n").arg(keys).arg(values);
    return QByteArray("\xFF\xFE", 2) + utf16le(text, false);
}

} // namespace wholefile

// ------------------------------------------------ stores to write

StoreValue sv(const QString &name, int type, const QVariant &data)
{
    StoreValue v;
    v.name = name;
    v.type = type;
    v.data = data;
    return v;
}

const QString Misc = QStringLiteral("Software\\Kelmora\\Tallyline\\Misc");

void seedUsersAndSettings(Store &s)
{
    s.WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 2);
    s.WriteStoreInteger(QStringLiteral("PreviousUser"), QStringLiteral("Users"), -1);
    for (int u = 1; u <= 2; ++u) {
        const QString user = QStringLiteral("Users\\User%1").arg(u);
        s.WriteStoreString(QStringLiteral("Login Name"), user, QStringLiteral("user %1").arg(u));
        s.WriteStoreString(QStringLiteral("Account Type"), user, QStringLiteral("Monthly"));
        s.WriteStoreFloat(QStringLiteral("Creation Date"), user, 36526.25);
        s.WriteStoreInteger(QStringLiteral("NumberOfAlarms"), user, 0);
        s.WriteStoreString(QStringLiteral("DialupName"), user + QStringLiteral("\\ISP1"), QStringLiteral("Any"));
    }
    s.WriteStoreBool(QStringLiteral("AutoLogonLastUser"), QStringLiteral("Settings"), true);
    s.WriteStoreBool(QStringLiteral("DontBackupDatabase"), QStringLiteral("Settings"), false);
    s.WriteStoreString(QStringLiteral("Database Version"), QStringLiteral("Settings"), QStringLiteral("2"));
    s.WriteAbsoluteString(QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
                          QStringLiteral("Tallyline"), QStringLiteral("\"/usr/bin/tallyline\""));
}

// A year of eight sessions a day: a file of some megabytes, written in many blocks.
void seedSessions(Store &s)
{
    Store::Transaction tx(s);
    s.WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 1);
    for (int d = 0; d < 365; ++d) {
        const double day = 40000 + d;
        WriteNumberOfSessions(s, 1, day, 8);
        for (int m = 1; m <= 8; ++m) {
            SessionRecord r;
            r.startTime = day + m * 0.1;
            r.endTime = m * 0.1 + 0.01;
            r.endDate = day;
            r.timeOnline = 600 + m;
            r.cost = m * 0.137;
            r.totalDownloaded = 1e6 * m;
            if (m % 3 == 0)
                r.connection = QStringLiteral("Line \"%1\" \\ %2").arg(m).arg(QStringLiteral("Łódź"));
            WriteSessionRecord(s, 1, day, m, r);
        }
    }
    tx.commit();
}

void seedOddCharacters(Store &s)
{
    const QString user = QStringLiteral("Users\\Zoë \"Z\" [1]");
    s.WriteStoreString(QStringLiteral("Quote\"and\\slash"), user, QStringLiteral("C:\\Dir\\\"x\"\\"));
    s.WriteStoreString(QStringLiteral("Real Name"), user, QStringLiteral("Zoë Łukasz 日本 € \U0001F600"));
    s.WriteStoreString(QStringLiteral("\U0001F600 name = [x]"), user, QStringLiteral("tab\there"));
    s.WriteStoreString(QStringLiteral("Empty"), user, QString());
    s.WriteStoreString(QStringLiteral("Lines"), user, QStringLiteral("two\r\nlines, \U0001F600"));
    s.WriteStoreString(QStringLiteral("Nul"), user, QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    s.WriteStoreString(QStringLiteral("Only a backslash"), user, QStringLiteral("\\"));
    s.WriteStoreString(QStringLiteral("Lone surrogate"), user, QString(QChar(0xD800)) + QStringLiteral("x"));
    s.setValue(Misc, sv(QString(), RegSz, QStringLiteral("the default")));
    s.setValue(Misc, sv(QStringLiteral("Path"), RegExpandSz, QStringLiteral("%HOME%\\Zoë")));
    // Names of non-ASCII characters before hex data: the wrap counts characters.
    s.setValue(Misc, sv(QStringLiteral("日本日本日本日本日本日本日本日本日本日本"), RegBinary, QByteArray(60, '\x5a')));
    s.setValue(Misc, sv(QStringLiteral("\U0001F600\U0001F600\U0001F600"), RegBinary, QByteArray(60, '\x01')));
}

void seedBinaryValues(Store &s)
{
    for (const int size : {0, 1, 2, 23, 24, 25, 26, 27, 28, 100, 300}) {
        QByteArray bytes;
        for (int i = 0; i < size; ++i)
            bytes.append(char(i * 37 + size));
        s.setValue(Misc, sv(QStringLiteral("Blob%1").arg(size), RegBinary, bytes));
    }
    // Larger than a block of the writer: the block ends inside the value.
    QByteArray large;
    for (int i = 0; i < 200 * 1024; ++i)
        large.append(char(i * 7));
    s.setValue(Misc, sv(QStringLiteral("Large"), RegBinary, large));
    s.setValue(Misc, sv(QString(80, QLatin1Char('N')), RegBinary, QByteArray("\x01\x02\x03", 3)));
    s.setValue(Misc, sv(QStringLiteral("Q0"), RegQword, qint64(0)));
    s.setValue(Misc, sv(QStringLiteral("Qneg"), RegQword, qint64(-5000000000LL)));
    s.setValue(Misc, sv(QStringLiteral("Qmax"), RegQword, std::numeric_limits<qint64>::max()));
    s.setValue(Misc, sv(QStringLiteral("D0"), RegDword, qint64(0)));
    s.setValue(Misc, sv(QStringLiteral("Dneg"), RegDword, qint64(-1)));
    s.setValue(Misc, sv(QStringLiteral("Dmax"), RegDword, qint64(0x7fffffff)));
    s.setValue(Misc, sv(QStringLiteral("Dmin"), RegDword, qint64(qint32(0x80000000u))));
    s.setValue(Misc, sv(QStringLiteral("List"), RegMultiSz, QByteArray("a\0\0\0b\0\0\0\0\0", 10)));
    s.setValue(Misc, sv(QStringLiteral("None"), RegNone, QByteArray("\x00\xff", 2)));
    s.setValue(Misc, sv(QStringLiteral("BigEndian"), 5, QByteArray("\x00\x00\x00\x01", 4)));
    s.setValue(Misc, sv(QStringLiteral("Own type"), 0x20001, QByteArray("\x7f", 1)));
    s.setValue(Misc, sv(QStringLiteral("Text with NULs as bytes"), RegBinary, QByteArray("a\0\r\n\"\\", 6)));
}

// Records renumbered and moved: the file follows creation order, not names.
void seedMovedRecords(Store &s)
{
    for (int a = 1; a <= 4; ++a)
        s.WriteStoreString(QStringLiteral("Name"), QStringLiteral("Users\\User1\\Alarms\\Alarm%1").arg(a),
                           QStringLiteral("alarm %1").arg(a));
    s.WriteStoreInteger(QStringLiteral("NumberOfAlarms"), QStringLiteral("Users\\User1"), 4);
    s.DeleteNumberedRecord(QStringLiteral("Users\\User1\\Alarms"), QStringLiteral("Alarm"), 2,
                           QStringLiteral("Users\\User1"), QStringLiteral("NumberOfAlarms"));
    s.MoveStoreKey(QStringLiteral("Users\\User1\\Alarms"), QStringLiteral("Users\\User1\\Old Alarms"));
    s.RenameStoreValue(QStringLiteral("Users\\User1"), QStringLiteral("NumberOfAlarms"), QStringLiteral("Alarms"));
    s.WriteStoreInteger(QStringLiteral("NumberOfAlarms"), QStringLiteral("Users\\User1"), 0);
}

// The root spelled in other letter cases, as an old import may have left it.
void seedRootInOtherCase(Store &s)
{
    s.setValue(QStringLiteral("software\\KELMORA\\tallyline\\users"), sv(QStringLiteral("NumberOfUsers"), RegDword, 1));
    s.setValue(QStringLiteral("SOFTWARE\\kelmora\\TallyLine"), sv(QStringLiteral("x"), RegSz, QStringLiteral("y")));
}

void seedNoRoot(Store &s)
{
    s.WriteAbsoluteString(QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
                          QStringLiteral("Tallyline"), QString());
}

enum class Seed { NoRoot, UsersAndSettings, Sessions, OddCharacters, BinaryValues, MovedRecords, RootInOtherCase, All };

void seed(Store &s, Seed which)
{
    switch (which) {
    case Seed::NoRoot: seedNoRoot(s); break;
    case Seed::UsersAndSettings: seedUsersAndSettings(s); break;
    case Seed::Sessions: seedSessions(s); break;
    case Seed::OddCharacters: seedOddCharacters(s); break;
    case Seed::BinaryValues: seedBinaryValues(s); break;
    case Seed::MovedRecords: seedMovedRecords(s); break;
    case Seed::RootInOtherCase: seedRootInOtherCase(s); break;
    case Seed::All:
        seedUsersAndSettings(s);
        seedOddCharacters(s);
        seedBinaryValues(s);
        seedMovedRecords(s);
        seedSessions(s);
        break;
    }
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QStringList partialFiles(const QString &dir)
{
    return QDir(dir).entryList(QStringList{QStringLiteral("*.partial-*")}, QDir::Files | QDir::Hidden);
}

// The first line where two exports part, for a readable failure.
QString firstDifference(const QByteArray &a, const QByteArray &b)
{
    const QString ta = QString::fromUtf16(reinterpret_cast<const char16_t *>(a.constData()), a.size() / 2);
    const QString tb = QString::fromUtf16(reinterpret_cast<const char16_t *>(b.constData()), b.size() / 2);
    const QStringList la = ta.split(QStringLiteral("\r\n"));
    const QStringList lb = tb.split(QStringLiteral("\r\n"));
    for (qsizetype i = 0; i < qMin(la.size(), lb.size()); ++i) {
        if (la[i] != lb[i])
            return QStringLiteral("line %1:\n  %2\n  %3").arg(i + 1).arg(la[i], lb[i]);
    }
    return QStringLiteral("%1 lines against %2").arg(la.size()).arg(lb.size());
}

// Writes to files beyond `bytes` fail with EFBIG while it lives, as a full disk would fail them.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

} // namespace

Q_DECLARE_METATYPE(Seed)

class TestRegFileExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameBytesAsTheWholeFileWriter_data();
    void sameBytesAsTheWholeFileWriter();
    void failureKeepsThePreviousBackup_data();
    void failureKeepsThePreviousBackup();
    void crashWhileWritingKeepsThePreviousBackup();
};

void TestRegFileExport::sameBytesAsTheWholeFileWriter_data()
{
    QTest::addColumn<Seed>("seed");
    QTest::newRow("no root key") << Seed::NoRoot;
    QTest::newRow("users and settings") << Seed::UsersAndSettings;
    QTest::newRow("a year of sessions") << Seed::Sessions;
    QTest::newRow("odd characters") << Seed::OddCharacters;
    QTest::newRow("binary values of every length and type") << Seed::BinaryValues;
    QTest::newRow("moved and renumbered records") << Seed::MovedRecords;
    QTest::newRow("root spelled in other cases") << Seed::RootInOtherCase;
    QTest::newRow("all of them") << Seed::All;
}

void TestRegFileExport::sameBytesAsTheWholeFileWriter()
{
    QFETCH(Seed, seed);
    testsupport::TempStore t;
    ::seed(*t.store, seed);
    const QString file = t.path(QStringLiteral("Tallyline Backup Database.reg"));
    ExportRegFile(*t.store, file);
    const QByteArray written = readFile(file);
    const QByteArray expected = wholefile::exportBytes(*t.store);
    QVERIFY2(written == expected, qPrintable(firstDifference(written, expected)));
    QVERIFY(partialFiles(t.dir.path()).isEmpty());
    // Imported again, the file gives the same tree and the same file.
    testsupport::TempStore again;
    ImportRegFile(*again.store, file);
    QCOMPARE(wholefile::exportBytes(*again.store), expected);
}

void TestRegFileExport::failureKeepsThePreviousBackup_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("because");  // in the message; empty: any
    QTest::newRow("disk full part-way") << "file size limit" << QString::fromLocal8Bit(std::strerror(EFBIG));
    QTest::newRow("disk full at once") << "no room at all" << QString::fromLocal8Bit(std::strerror(EFBIG));
    QTest::newRow("directory gone") << "directory gone" << QString::fromLocal8Bit(std::strerror(ENOENT));
    QTest::newRow("a directory in the way") << "directory in the way" << QString::fromLocal8Bit(std::strerror(EISDIR));
    QTest::newRow("a value that cannot be written") << "bad value name" << QStringLiteral("cannot be written");
    QTest::newRow("a key that cannot be written") << "bad key name" << QStringLiteral("cannot be written");
}

void TestRegFileExport::failureKeepsThePreviousBackup()
{
    QFETCH(QString, fault);
    QFETCH(QString, because);
    testsupport::TempStore t;
    seedUsersAndSettings(*t.store);
    QTemporaryDir backupDir;
    QString dir = backupDir.path();
    const QString backupName = QStringLiteral("/Tallyline Backup Database.reg");
    QString file = dir + backupName;
    ExportRegFile(*t.store, file);
    const QByteArray previous = readFile(file);
    QVERIFY(!previous.isEmpty());
    // The store grows past what the file may take.
    seedSessions(*t.store);

    std::unique_ptr<FileSizeLimit> limit;
    if (fault == QLatin1String("file size limit")) {
        limit = std::make_unique<FileSizeLimit>(previous.size() + 300 * 1024);
    } else if (fault == QLatin1String("no room at all")) {
        limit = std::make_unique<FileSizeLimit>(0);
    } else if (fault == QLatin1String("directory gone")) {
        dir += QStringLiteral("/gone");
        file = dir + backupName;
    } else if (fault == QLatin1String("directory in the way")) {
        QVERIFY(QFile::remove(file));
        QVERIFY(QDir().mkpath(file + QStringLiteral("/inside")));
    } else if (fault == QLatin1String("bad value name")) {
        t.store->WriteStoreString(QStringLiteral("two\nlines"), QStringLiteral("Users\\User2\\ISP1"), QStringLiteral("x"));
    } else if (fault == QLatin1String("bad key name")) {
        t.store->WriteStoreString(QStringLiteral("Name"), QStringLiteral("Users\\User2\\two\rlines"), QStringLiteral("x"));
    }

    try {
        ExportRegFile(*t.store, file);
        limit.reset();
        QFAIL("the export should have failed");
    } catch (const RegFileError &e) {
        limit.reset();
        QVERIFY2(e.message().contains(because), qPrintable(e.message()));
        if (!fault.startsWith(QLatin1String("bad ")))
            QVERIFY2(e.message().contains(file), qPrintable(e.message()));
    }
    if (fault == QLatin1String("directory in the way"))
        QVERIFY(QFileInfo(file + QStringLiteral("/inside")).isDir());
    else if (fault != QLatin1String("directory gone"))
        QCOMPARE(readFile(file), previous);
    QCOMPARE(partialFiles(backupDir.path()), QStringList());
    QCOMPARE(partialFiles(t.dir.path()), QStringList());
}

// A process killed in the middle of the export (here by the file size
// limit's signal) leaves the old backup in place; the half-written file it
// leaves beside it goes with the next backup.
void TestRegFileExport::crashWhileWritingKeepsThePreviousBackup()
{
    testsupport::TempStore t;
    seedUsersAndSettings(*t.store);
    const QString file = t.path(QStringLiteral("Tallyline Backup Database.reg"));
    ExportRegFile(*t.store, file);
    const QByteArray previous = readFile(file);
    seedSessions(*t.store);
    const QString storeFile = t.store->filePath();
    t.store.reset();

    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 512 * 1024;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            auto store = Store::open(storeFile);
            ExportRegFile(*store, file);
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ, qPrintable(QString::number(status)));
    QCOMPARE(readFile(file), previous);
    const QStringList left = partialFiles(t.dir.path());
    QCOMPARE(left.size(), 1);
    QCOMPARE(QFileInfo(t.dir.filePath(left[0])).size(), qint64(512 * 1024));
    // Not ours: stays.
    writeFile(t.path(QStringLiteral("Tallyline Backup Database.reg.partial-notes.txt")), "mine");

    t.store = Store::open(storeFile);
    ExportRegFile(*t.store, file);
    QCOMPARE(readFile(file), wholefile::exportBytes(*t.store));
    QCOMPARE(partialFiles(t.dir.path()), QStringList{QStringLiteral("Tallyline Backup Database.reg.partial-notes.txt")});
}

TALLYLINE_ENGINE_TEST_MAIN(TestRegFileExport)
#include "TestRegFileExport.moc"
