#include "store/RegFile.h"
#include "store/Store.h"
#include "support/StoreDump.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <sys/stat.h>

namespace {

const QString Root = QStringLiteral("Software\\Kelmora\\Tallyline");

QByteArray utf16WithBom(const QString &text)
{
    QByteArray out("\xFF\xFE", 2);
    for (const QChar c : text) {
        out.append(char(c.unicode() & 0xff));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

QString fromUtf16WithBom(const QByteArray &bytes)
{
    QString out;
    for (qsizetype i = 2; i + 1 < bytes.size(); i += 2)
        out += QChar(char16_t(quint8(bytes[i]) | (quint8(bytes[i + 1]) << 8)));
    return out;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

StoreValue sv(const QString &name, int type, const QVariant &data)
{
    StoreValue v;
    v.name = name;
    v.type = type;
    v.data = data;
    return v;
}

// A tree with every kind of value the backup must carry.
void seed(Store &s)
{
    s.WriteStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), 2);
    s.WriteStoreInteger(QStringLiteral("PreviousUser"), QStringLiteral("Users"), -1);
    s.WriteStoreString(QStringLiteral("Login Name"), QStringLiteral("Users\\User1"), QStringLiteral("Ann \"the admin\""));
    s.WriteStoreString(QStringLiteral("Password"), QStringLiteral("Users\\User1"), QStringLiteral("C:\\Dir\\"));
    s.WriteStoreString(QStringLiteral("Real Name"), QStringLiteral("Users\\User1"), QStringLiteral("Zoë Łukasz 日本 €"));
    s.WriteStoreString(QStringLiteral("Empty"), QStringLiteral("Users\\User1"), QString());
    s.WriteStoreString(QStringLiteral("Notes"), QStringLiteral("Users\\User1"), QStringLiteral("two\r\nlines"));
    s.WriteStoreFloat(QStringLiteral("Session1-Cost"), QStringLiteral("Users\\User1\\Sessions\\36526"), 0.05);
    s.WriteStoreFloat(QStringLiteral("Session1-Start Time"), QStringLiteral("Users\\User1\\Sessions\\36526"), 36526.4375);
    s.WriteStoreBool(QStringLiteral("AutoLogonLastUser"), QStringLiteral("Settings"), true);
    s.WriteStoreInteger(QStringLiteral("Big"), QStringLiteral("Settings"), 0x7fffffff);
    s.WriteStoreInteger(QStringLiteral("Small"), QStringLiteral("Settings"), int(0x80000000u));
    s.createKey(Store::hivePathOf(QStringLiteral("Users\\User2\\Alarms")));
    s.WriteStoreString(QStringLiteral("DialUpName"), QStringLiteral("users\\USER1\\Isp1"), QStringLiteral("Mixed case"));
    const QString misc = Store::hivePathOf(QStringLiteral("Misc"));
    s.setValue(misc, sv(QString(), RegSz, QStringLiteral("default")));
    s.setValue(misc, sv(QStringLiteral("Path"), RegExpandSz, QStringLiteral("%HOME%\\x")));
    s.setValue(misc, sv(QStringLiteral("List"), RegMultiSz, QByteArray("a\0\0\0b\0\0\0\0\0", 10)));
    QByteArray blob;
    for (int i = 0; i < 300; ++i)
        blob.append(char(i * 7));
    s.setValue(misc, sv(QStringLiteral("Blob"), RegBinary, blob));
    s.setValue(misc, sv(QStringLiteral("NoBytes"), RegBinary, QByteArray()));
    s.setValue(misc, sv(QStringLiteral("Q"), RegQword, qint64(-5000000000LL)));
    s.setValue(misc, sv(QStringLiteral("None"), RegNone, QByteArray("\x01\x02", 2)));
    s.setValue(misc, sv(QStringLiteral("BigEndian"), 5, QByteArray("\x00\x00\x00\x01", 4)));
    s.setValue(misc, sv(QStringLiteral("Quote\"and\\slash"), RegSz, QStringLiteral("[not a key]")));
    s.WriteStoreInteger(QStringLiteral("Later"), QStringLiteral("Users"), 3);
    // Outside the root: the export leaves it out.
    s.WriteAbsoluteString(QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
                          QStringLiteral("Tallyline"), QStringLiteral("\"/usr/bin/tallyline\""));
}

// The seed tree exported to a file in t; returns the file's bytes.
QByteArray exportedSeed(testsupport::TempStore &t)
{
    seed(*t.store);
    const QString file = t.path(QStringLiteral("export.reg"));
    ExportRegFile(*t.store, file);
    return readFile(file);
}

} // namespace

class TestRegFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripReproducesTheTree();
    void exportWritesTheEditorFormat();
    void exportIsOwnerOnlyAndReplacesAtomically();
    void exportFailureIsReportedAndLeavesNoTempFile();
    void importFormats_data();
    void importFormats();
    void importMergesAndDeletes();
    void damagedFileChangesNothing_data();
    void damagedFileChangesNothing();
    void truncatedExportIsRejected_data();
    void truncatedExportIsRejected();
    void fileEnd_data();
    void fileEnd();
    void userCount_data();
    void userCount();
    void missingFileIsAnError();
};

void TestRegFile::roundTripReproducesTheTree()
{
    testsupport::TempStore a;
    seed(*a.store);
    // A moved record goes to the end of its siblings: the order must survive too.
    a.store->MoveStoreKey(QStringLiteral("Users\\User1\\Isp1"), QStringLiteral("Users\\User1\\ISP7"));
    const QString file = a.path(QStringLiteral("Tallyline Backup Database.reg"));
    ExportRegFile(*a.store, file);

    testsupport::TempStore b;
    ImportRegFile(*b.store, file);
    QCOMPARE(testsupport::dumpTree(*b.store, Root), testsupport::dumpTree(*a.store, Root));
    QVERIFY(!b.store->keyExists(QStringLiteral("Software\\Microsoft")));

    // The typed readers see the same values.
    int n = 0;
    QVERIFY(b.store->ReadStoreInteger(QStringLiteral("previoususer"), QStringLiteral("USERS"), n));
    QCOMPARE(n, -1);
    QCOMPARE(b.store->ReadStoreFloat(QStringLiteral("Session1-Cost"), QStringLiteral("Users\\User1\\Sessions\\36526")), 0.05);

    // Writing the imported tree again gives the same file, byte for byte.
    const QString again = b.path(QStringLiteral("again.reg"));
    ExportRegFile(*b.store, again);
    QCOMPARE(readFile(again), readFile(file));
}

void TestRegFile::exportWritesTheEditorFormat()
{
    testsupport::TempStore t;
    const QByteArray bytes = exportedSeed(t);
    QVERIFY(bytes.startsWith(QByteArray("\xFF\xFE", 2)));
    const QString text = fromUtf16WithBom(bytes);
    QVERIFY(text.startsWith(QStringLiteral("Windows Registry Editor Version 5.00\r\n; Tallyline database backup\r\n\r\n"
                                           "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline]\r\n\r\n"
                                           "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\Users]\r\n"
                                           "\"NumberOfUsers\"=dword:00000002\r\n"
                                           "\"PreviousUser\"=dword:ffffffff\r\n"
                                           "\"Later\"=dword:00000003\r\n\r\n"
                                           "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\Users\\User1]\r\n"
                                           "\"Login Name\"=\"Ann \\\"the admin\\\"\"\r\n"
                                           "\"Password\"=\"C:\\\\Dir\\\\\"\r\n")));
    QVERIFY(text.endsWith(QStringLiteral("\r\n\r\n; End of Tallyline backup: 10 keys, 23 values\r\n")));
    QVERIFY(!text.contains(QStringLiteral("CurrentVersion")));
    QVERIFY(text.contains(QStringLiteral("\r\n\"Session1-Cost\"=\"0.05\"\r\n")));
    QVERIFY(text.contains(QStringLiteral("\r\n@=\"default\"\r\n")));
    QVERIFY(text.contains(QStringLiteral("\r\n\"Path\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,5c,00,78,00,00,00\r\n")));
    QVERIFY(text.contains(QStringLiteral("\r\n\"Q\"=hex(b):00,0e,fa,d5,fe,ff,ff,ff\r\n")));
    QVERIFY(text.contains(QStringLiteral("\r\n\"NoBytes\"=hex:\r\n")));
    QVERIFY(text.contains(QStringLiteral("\r\n\"None\"=hex(0):01,02\r\n")));
    QVERIFY(text.contains(QStringLiteral("\r\n\"Notes\"=hex(1):")));
    QVERIFY(text.contains(QStringLiteral("\r\n\"Quote\\\"and\\\\slash\"=\"[not a key]\"\r\n")));
    // Long hex data is wrapped with continuation lines no wider than 80 characters.
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    const qsizetype blobAt = lines.indexOf(QRegularExpression(QStringLiteral("^\"Blob\"=hex:.*")));
    QVERIFY(blobAt > 0);
    QVERIFY(lines[blobAt].endsWith(QLatin1Char('\\')));
    QVERIFY(lines[blobAt + 1].startsWith(QLatin1String("  ")));
    for (const QString &line : lines) {
        if (line.contains(QLatin1String("=hex")) || line.startsWith(QLatin1String("  ")))
            QVERIFY2(line.size() <= 80, qPrintable(line));
    }
}

void TestRegFile::exportIsOwnerOnlyAndReplacesAtomically()
{
    testsupport::TempStore t;
    seed(*t.store);
    const QString file = t.path(QStringLiteral("Tallyline Backup Database.reg"));
    writeFile(file, "old backup");
    ::chmod(QFile::encodeName(file).constData(), 0644);
    ExportRegFile(*t.store, file);
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);
    QVERIFY(readFile(file).startsWith(QByteArray("\xFF\xFE", 2)));
    // No temporary file is left beside it.
    const QStringList left = QDir(t.dir.path()).entryList(QStringList{QStringLiteral("*.reg*")}, QDir::Files);
    QCOMPARE(left, QStringList{QStringLiteral("Tallyline Backup Database.reg")});
}

void TestRegFile::exportFailureIsReportedAndLeavesNoTempFile()
{
    testsupport::TempStore t;
    seed(*t.store);
    // The target is a directory that cannot be replaced by a file: the
    // rename fails after the new content was written.
    const QString target = t.path(QStringLiteral("backup.reg"));
    QVERIFY(QDir().mkpath(target + QStringLiteral("/inside")));
    try {
        ExportRegFile(*t.store, target);
        QFAIL("the export should have failed");
    } catch (const RegFileError &e) {
        QVERIFY2(e.message().contains(target), qPrintable(e.message()));
    }
    QVERIFY(QFileInfo(target + QStringLiteral("/inside")).isDir());
    const QStringList left = QDir(t.dir.path()).entryList(QStringList{QStringLiteral("backup.reg.*")}, QDir::Files);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));
}

void TestRegFile::importFormats_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("keyPath");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("data");

    const QString key = QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\Settings]");
    const QString k = Root + QStringLiteral("\\Settings");
    QTest::newRow("REGEDIT4, LF, 8-bit") << QString(QStringLiteral("REGEDIT4\n\n") + key + QStringLiteral("\n\"A\"=\"x\\\\y\"\n")).toUtf8()
                                        << k << "A" << int(RegSz) << QVariant(QStringLiteral("x\\y"));
    QTest::newRow("5.00, UTF-16LE, CRLF")
        << utf16WithBom(QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n") + key
                        + QStringLiteral("\r\n\"Name\"=\"Zoë 日本\"\r\n\r\n"))
        << k << "Name" << int(RegSz) << QVariant(QStringLiteral("Zoë 日本"));
    QTest::newRow("5.00 as 8-bit text") << QByteArray("Windows Registry Editor Version 5.00\r\n" + key.toLatin1() + "\r\n\"N\"=dword:0000000a\r\n")
                                        << k << "N" << int(RegDword) << QVariant(qint64(10));
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBFREGEDIT4\n" + key.toLatin1() + "\n\"S\"=\"\xE2\x82\xAC\"\n")
                                    << k << "S" << int(RegSz) << QVariant(QStringLiteral("€"));
    QTest::newRow("ANSI code page") << QByteArray("REGEDIT4\r\n" + key.toLatin1() + "\r\n\"S\"=\"caf\xE9 \x80\"\r\n")
                                    << k << "S" << int(RegSz) << QVariant(QStringLiteral("café €"));
    QTest::newRow("default value") << QByteArray("REGEDIT4\n" + key.toLatin1() + "\n@=\"d\"\n")
                                   << k << "" << int(RegSz) << QVariant(QStringLiteral("d"));
    QTest::newRow("negative DWORD, upper case") << QByteArray("REGEDIT4\n" + key.toLatin1() + "\n\"D\"=DWORD:FFFFFFFE\n")
                                                << k << "D" << int(RegDword) << QVariant(qint64(-2));
    QTest::newRow("short DWORD") << QByteArray("REGEDIT4\n" + key.toLatin1() + "\n\"D\" = dword:1f\n")
                                 << k << "D" << int(RegDword) << QVariant(qint64(31));
    QTest::newRow("DWORD as hex(4)") << QByteArray("REGEDIT4\n" + key.toLatin1() + "\n\"D\"=hex(4):0a,00,00,00\n")
                                     << k << "D" << int(RegDword) << QVariant(qint64(10));
    QTest::newRow("continued binary") << QByteArray("REGEDIT4\n" + key.toLatin1() + "\n\"B\"=hex:01,02,\\\n  03,04,\\\n   05\n")
                                      << k << "B" << int(RegBinary) << QVariant(QByteArray("\x01\x02\x03\x04\x05"));
    QTest::newRow("expand string, 5.00") << QByteArray("Windows Registry Editor Version 5.00\n" + key.toLatin1()
                                                       + "\n\"E\"=hex(2):25,00,41,00,25,00,00,00\n")
                                         << k << "E" << int(RegExpandSz) << QVariant(QStringLiteral("%A%"));
    QTest::newRow("expand string, REGEDIT4") << QByteArray("REGEDIT4\n" + key.toLatin1() + "\n\"E\"=hex(2):25,41,25,00\n")
                                             << k << "E" << int(RegExpandSz) << QVariant(QStringLiteral("%A%"));
    QTest::newRow("multi string, REGEDIT4 kept as UTF-16")
        << QByteArray("REGEDIT4\n" + key.toLatin1() + "\n\"M\"=hex(7):61,00,62,00,00\n")
        << k << "M" << int(RegMultiSz) << QVariant(QByteArray("a\0\0\0b\0\0\0\0\0", 10));
    QTest::newRow("qword") << QByteArray("REGEDIT4\n" + key.toLatin1() + "\n\"Q\"=hex(b):01,00,00,00,01,00,00,00\n")
                           << k << "Q" << int(RegQword) << QVariant(qint64(0x100000001LL));
    QTest::newRow("unknown type kept") << QByteArray("REGEDIT4\n" + key.toLatin1() + "\n\"U\"=hex(1a):ff\n")
                                       << k << "U" << 0x1a << QVariant(QByteArray("\xff"));
    QTest::newRow("comments and blank lines") << QByteArray("REGEDIT4\n\n; a comment\n" + key.toLatin1() + "\n\n; \"X\"=\"no\"\n\"Y\"=\"yes\"\n")
                                              << k << "Y" << int(RegSz) << QVariant(QStringLiteral("yes"));
    QTest::newRow("the start-up entry")
        << QByteArray("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\n\"Tallyline\"=\"\\\"/bin/t\\\"\"\n")
        << "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run" << "Tallyline" << int(RegSz) << QVariant(QStringLiteral("\"/bin/t\""));
}

void TestRegFile::importFormats()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, keyPath);
    QFETCH(QString, valueName);
    QFETCH(int, type);
    QFETCH(QVariant, data);
    testsupport::TempStore t;
    const QString path = t.path(QStringLiteral("in.reg"));
    // Ended as the registry editor ends every file: with a blank line.
    if (!file.startsWith("\xFF\xFE"))
        file += file.endsWith("\r\n") ? "\r\n" : "\n";
    writeFile(path, file);
    ImportRegFile(*t.store, path);
    StoreValue v;
    QVERIFY(t.store->readValue(keyPath, valueName, v));
    QCOMPARE(v.name, valueName);
    QCOMPARE(v.type, type);
    if (data.typeId() == QMetaType::QString)
        QCOMPARE(v.data.toString(), data.toString());
    else if (data.typeId() == QMetaType::LongLong)
        QCOMPARE(v.data.toLongLong(), data.toLongLong());
    else
        QCOMPARE(v.data.toByteArray().toHex(), data.toByteArray().toHex());
}

void TestRegFile::importMergesAndDeletes()
{
    testsupport::TempStore t;
    t.store->WriteStoreInteger(QStringLiteral("Keep"), QStringLiteral("Settings"), 1);
    t.store->WriteStoreInteger(QStringLiteral("Drop"), QStringLiteral("Settings"), 2);
    t.store->WriteStoreString(QStringLiteral("Login Name"), QStringLiteral("Users\\User3\\Deep"), QStringLiteral("x"));
    const QString path = t.path(QStringLiteral("in.reg"));
    writeFile(path, "REGEDIT4\n"
                    "[-HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\Users\\User3]\n"
                    "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\SETTINGS]\n"
                    "\"drop\"=-\n"
                    "\"KEEP\"=dword:00000005\n\n");
    ImportRegFile(*t.store, path);
    QVERIFY(!t.store->keyExists(Store::hivePathOf(QStringLiteral("Users\\User3"))));
    QVERIFY(t.store->keyExists(Store::hivePathOf(QStringLiteral("Users"))));
    int v = 0;
    QVERIFY(!t.store->ReadStoreInteger(QStringLiteral("Drop"), QStringLiteral("Settings"), v));
    QVERIFY(t.store->ReadStoreInteger(QStringLiteral("Keep"), QStringLiteral("Settings"), v));
    QCOMPARE(v, 5);
    // The stored spelling of an existing name stays.
    QCOMPARE(t.store->values(Store::hivePathOf(QStringLiteral("Settings"))).first().name, QStringLiteral("Keep"));
}

void TestRegFile::damagedFileChangesNothing_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("line");

    const QByteArray key = "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\Settings]";
    const QByteArray good = "REGEDIT4\n\n" + key + "\n\"Good\"=\"imported?\"\n\"Other\"=dword:00000001\n";
    QTest::newRow("empty file") << QByteArray() << 1;
    QTest::newRow("unknown header") << QByteArray("REGEDIT5\n" + key + "\n") << 1;
    QTest::newRow("no header") << QByteArray(key + "\n\"A\"=\"b\"\n") << 1;
    QTest::newRow("binary garbage") << QByteArray("\x7f" "ELF\x02\x01\x01\x00\x00\x00\n", 11) << 1;
    QTest::newRow("garbage line") << QByteArray(good + "this is not a registry line\n") << 6;
    QTest::newRow("value before any key") << QByteArray("REGEDIT4\n\"A\"=\"b\"\n" + key + "\n") << 2;
    QTest::newRow("bad escape") << QByteArray(good + "\"A\"=\"C:\\Dir\"\n") << 6;
    QTest::newRow("unterminated text") << QByteArray(good + "\"A\"=\"open\n") << 6;
    QTest::newRow("unterminated name") << QByteArray(good + "\"A=\"x\n") << 6;
    QTest::newRow("text after the quote") << QByteArray(good + "\"A\"=\"b\" junk\n") << 6;
    QTest::newRow("no equals sign") << QByteArray(good + "\"A\" \"b\"\n") << 6;
    QTest::newRow("empty value name") << QByteArray(good + "\"\"=\"b\"\n") << 6;
    QTest::newRow("unknown data") << QByteArray(good + "\"A\"=qword:1\n") << 6;
    QTest::newRow("DWORD too long") << QByteArray(good + "\"A\"=dword:000000001\n") << 6;
    QTest::newRow("DWORD not hex") << QByteArray(good + "\"A\"=dword:0000000g\n") << 6;
    QTest::newRow("DWORD empty") << QByteArray(good + "\"A\"=dword:\n") << 6;
    QTest::newRow("bad hex byte") << QByteArray(good + "\"A\"=hex:01,zz,03\n") << 6;
    QTest::newRow("hex byte too long") << QByteArray(good + "\"A\"=hex:0102\n") << 6;
    QTest::newRow("trailing comma") << QByteArray(good + "\"A\"=hex:01,\n") << 6;
    QTest::newRow("bad hex type") << QByteArray(good + "\"A\"=hex(x):01\n") << 6;
    QTest::newRow("hex(4) with three bytes") << QByteArray(good + "\"A\"=hex(4):01,02,03\n") << 6;
    QTest::newRow("UTF-16 text with odd bytes")
        << QByteArray("Windows Registry Editor Version 5.00\n" + key + "\n\"A\"=hex(1):41,00,42\n") << 3;
    QTest::newRow("continuation at the end") << QByteArray(good + "\"A\"=hex:01,02,\\\n") << 6;
    QTest::newRow("missing bracket") << QByteArray(good + "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\n") << 6;
    QTest::newRow("other hive") << QByteArray(good + "[HKEY_CURRENT_USER\\Software\\Kelmora\\Tallyline]\n") << 6;
    QTest::newRow("other program") << QByteArray(good + "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Other]\n") << 6;
    QTest::newRow("similar name") << QByteArray(good + "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\TallylineX]\n") << 6;
    QTest::newRow("parent of the root") << QByteArray(good + "[HKEY_LOCAL_MACHINE\\Software\\Kelmora]\n") << 6;
    QTest::newRow("below the Run key") << QByteArray(good + "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\X]\n") << 6;
    QTest::newRow("delete outside") << QByteArray(good + "[-HKEY_LOCAL_MACHINE\\Software]\n") << 6;
    QTest::newRow("empty key name") << QByteArray(good + "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\\\Users]\n") << 6;
    QTest::newRow("value below a deleted key")
        << QByteArray(good + "[-HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\Users]\n\"A\"=\"b\"\n") << 7;
    QTest::newRow("cut in the middle of a line") << QByteArray(good + "\"Last\"=dword:0000") << 6;
    QTest::newRow("NUL inside a text") << QByteArray(good + QByteArray("\"A\"=\"a\0b\"\n", 10)) << 6;
    QTest::newRow("UTF-16 cut in a character")
        << utf16WithBom(QString::fromLatin1("Windows Registry Editor Version 5.00\r\n" + key + "\r\n\"A\"=\"b\"\r\n")).chopped(1)
        << 3;
}

void TestRegFile::damagedFileChangesNothing()
{
    QFETCH(QByteArray, file);
    QFETCH(int, line);
    testsupport::TempStore t;
    seed(*t.store);
    const QStringList before = testsupport::dumpTree(*t.store);
    const QString path = t.path(QStringLiteral("damaged.reg"));
    writeFile(path, file);
    try {
        ImportRegFile(*t.store, path);
        QFAIL("the damaged file was imported");
    } catch (const RegFileError &e) {
        QVERIFY2(e.message().contains(path), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("line %1:").arg(line)), qPrintable(e.message()));
        QCOMPARE(QString::fromLatin1(e.className()), QStringLiteral("ERegFileError"));
    }
    QCOMPARE(testsupport::dumpTree(*t.store), before);
    QCOMPARE(t.store->ReadStoreString(QStringLiteral("Good"), QStringLiteral("Settings")), QString());
}

void TestRegFile::truncatedExportIsRejected_data()
{
    QTest::addColumn<double>("fraction");  // where in the file a line is cut; 0: at every line end instead
    QTest::newRow("early, in a line") << 0.1;
    QTest::newRow("middle, in a line") << 0.5;
    QTest::newRow("late, in a line") << 0.93;
    QTest::newRow("at any line end") << 0.0;
}

void TestRegFile::truncatedExportIsRejected()
{
    QFETCH(double, fraction);
    testsupport::TempStore a;
    const QByteArray full = exportedSeed(a);
    QList<qsizetype> cuts;
    if (fraction > 0) {
        // Cut in the middle of a line: step back to the nearest place that is not a line end.
        qsizetype cut = qsizetype(full.size() * fraction) & ~qsizetype(1);
        while (cut > 2 && (full[cut - 2] == '\n' || full[cut - 2] == '\r'))
            cut -= 2;
        cuts.append(cut);
    } else {
        const QByteArray lineEnd("\r\0\n\0", 4);
        for (qsizetype at = full.indexOf(lineEnd); at >= 0 && at + 4 < full.size(); at = full.indexOf(lineEnd, at + 1)) {
            if (at % 2 == 0)  // on a character boundary
                cuts.append(at + 4);
        }
        QVERIFY(cuts.size() > 30);
    }

    testsupport::TempStore b;
    b.store->WriteStoreInteger(QStringLiteral("Marker"), QStringLiteral("Settings"), 9);
    const QStringList before = testsupport::dumpTree(*b.store);
    const QString cutFile = b.path(QStringLiteral("cut.reg"));
    for (const qsizetype cut : std::as_const(cuts)) {
        writeFile(cutFile, full.left(cut));
        try {
            ImportRegFile(*b.store, cutFile);
            QFAIL(qPrintable(QStringLiteral("a copy cut after byte %1 of %2 was imported").arg(cut).arg(full.size())));
        } catch (const RegFileError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("truncated")), qPrintable(e.message()));
        }
    }
    QCOMPARE(testsupport::dumpTree(*b.store), before);
}

void TestRegFile::fileEnd_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("imported");

    const QString head = QStringLiteral("Windows Registry Editor Version 5.00\r\n");
    const QString own = QStringLiteral("; Tallyline database backup\r\n");
    const QString body = QStringLiteral("\r\n[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline]\r\n"
                                        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline\\Users]\r\n"
                                        "\"NumberOfUsers\"=dword:00000001\r\n\"PreviousUser\"=dword:00000001\r\n\r\n");
    const QString end = QStringLiteral("; End of Tallyline backup: 2 keys, 2 values\r\n");

    QTest::newRow("ours, complete") << head + own + body + end << true;
    QTest::newRow("ours, blank lines after the count") << head + own + body + end + QStringLiteral("\r\n\r\n") << true;
    QTest::newRow("ours, count line lost") << head + own + body << false;
    QTest::newRow("ours, fewer values than counted")
        << head + own + body + QStringLiteral("; End of Tallyline backup: 2 keys, 3 values\r\n") << false;
    QTest::newRow("elsewhere, ends with a blank line") << head + body << true;
    QTest::newRow("elsewhere, count line checked too") << head + body + end << true;
    QTest::newRow("elsewhere, cut after a value") << head + body.chopped(2) << false;
    QTest::newRow("elsewhere, cut after a key") << head + QStringLiteral("\r\n[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline]\r\n") << false;
    QTest::newRow("elsewhere, header alone") << QStringLiteral("REGEDIT4\r\n") << false;
    QTest::newRow("elsewhere, header and blank line") << QStringLiteral("REGEDIT4\r\n\r\n") << true;
}

void TestRegFile::fileEnd()
{
    QFETCH(QString, text);
    QFETCH(bool, imported);
    testsupport::TempStore t;
    const QString path = t.path(QStringLiteral("in.reg"));
    writeFile(path, utf16WithBom(text));
    int users = 0;
    try {
        ImportRegFile(*t.store, path);
        QVERIFY2(imported, "the file was imported");
        t.store->ReadStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), users);
        QCOMPARE(users, text.contains(QStringLiteral("NumberOfUsers")) ? 1 : 0);
    } catch (const RegFileError &e) {
        QVERIFY2(!imported, qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("line %1:").arg(text.count(QStringLiteral("\r\n")))),
                 qPrintable(e.message()));
        QVERIFY(!t.store->ReadStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users"), users));
    }
}

void TestRegFile::userCount_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("users");

    const QByteArray root = "[HKEY_LOCAL_MACHINE\\Software\\Kelmora\\Tallyline";
    QTest::newRow("users") << QByteArray(root + "\\Users]\n\"NumberOfUsers\"=dword:00000003\n") << 3;
    QTest::newRow("no users") << QByteArray(root + "\\Users]\n\"NumberOfUsers\"=dword:00000000\n") << 0;
    QTest::newRow("version 1, under General") << QByteArray(root + "\\General]\n\"NumberOfUsers\"=dword:00000002\n") << 2;
    QTest::newRow("below a user, not the count")
        << QByteArray(root + "\\Users\\User1]\n\"NumberOfUsers\"=dword:00000002\n") << 0;
}

void TestRegFile::userCount()
{
    QFETCH(QByteArray, body);
    QFETCH(int, users);
    testsupport::TempStore t;
    const QString path = t.path(QStringLiteral("in.reg"));
    writeFile(path, "REGEDIT4\n\n" + body + "\n");
    QCOMPARE(RegFileUserCount(path), users);

    // A file cut short does not give a count.
    writeFile(path, "REGEDIT4\n\n" + body);
    QVERIFY_THROWS_EXCEPTION(RegFileError, RegFileUserCount(path));
}

void TestRegFile::missingFileIsAnError()
{
    testsupport::TempStore t;
    const QString path = t.path(QStringLiteral("nowhere.reg"));
    try {
        ImportRegFile(*t.store, path);
        QFAIL("a missing file was imported");
    } catch (const RegFileError &e) {
        QVERIFY2(e.message().contains(path), qPrintable(e.message()));
    }
}

TALLYLINE_ENGINE_TEST_MAIN(TestRegFile)
#include "TestRegFile.moc"
