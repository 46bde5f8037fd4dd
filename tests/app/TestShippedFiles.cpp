#include "app/BuildInfo.h"
#include "app/Startup.h"
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/RecordingUi.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Where `cmake --install` puts the shipped files for executables in binDir
// (with the usual layout, <prefix>/bin and <prefix>/share/tallyline).
QString InstalledShare(const QString &binDir)
{
    return QDir::cleanPath(binDir + QLatin1Char('/') + QStringLiteral(TALLYLINE_SHIPPED_FROM_BIN));
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The layout `cmake --install` makes under a prefix, with files of its own,
// so that a copy from the build tree's shipped folder cannot pass for one.
struct InstalledPrefix {
    explicit InstalledPrefix(const QString &name = QStringLiteral("prefix"))
        : prefix(root.filePath(name))
    {
        QDir().mkpath(bin());
        // The real executable: start-up reads its version block.
        QFile::link(QStringLiteral(TALLYLINE_EXECUTABLE), executable());
        WriteFile(shipped() + QStringLiteral("/Installed Only.tzp"), "[Mon]\n00:00-24:00=1\n");
        WriteFile(shipped() + QStringLiteral("/Ringin.wav"), "RIFF installed");
        WriteFile(shipped() + QStringLiteral("/help/IDH_installed.html"), "<p>installed</p>");
    }
    QString bin() const { return prefix + QStringLiteral("/bin"); }
    QString executable() const { return bin() + QStringLiteral("/tallyline"); }
    QString shipped() const { return InstalledShare(bin()); }

    QTemporaryDir root;
    QString prefix;
};

} // namespace

class TestShippedFiles : public QObject
{
    Q_OBJECT

private slots:
    void findsShippedFolder_data();
    void findsShippedFolder();
    void firstStartOfInstalledProgramSeedsFromPrefix();
};

void TestShippedFiles::findsShippedFolder_data()
{
    QTest::addColumn<QString>("executable");    // relative to a fresh folder
    QTest::addColumn<QStringList>("folders");   // made in that folder
    QTest::addColumn<QStringList>("files");     // made in that folder
    QTest::addColumn<QString>("expected");      // relative to that folder; empty: none

    QTest::newRow("build tree") << "build/tallyline" << QStringList{"build/share/tallyline"} << QStringList{}
                                << "build/share/tallyline";
    QTest::newRow("installed") << "usr/bin/tallyline" << QStringList{InstalledShare("usr/bin")} << QStringList{}
                               << InstalledShare("usr/bin");
    const QString home = QStringLiteral("Mes Programmes/\u00c9lodie/.local");
    QTest::newRow("installed in a home prefix with spaces and accents")
        << home + "/bin/tallyline" << QStringList{InstalledShare(home + "/bin")} << QStringList{}
        << InstalledShare(home + "/bin");
    QTest::newRow("path through ..") << "usr/lib/../bin/tallyline" << QStringList{InstalledShare("usr/bin"), "usr/lib"}
                                     << QStringList{} << InstalledShare("usr/bin");
    QTest::newRow("build tree before an installed copy")
        << "usr/bin/tallyline" << QStringList{"usr/bin/share/tallyline", InstalledShare("usr/bin")} << QStringList{}
        << "usr/bin/share/tallyline";
    QTest::newRow("nothing shipped") << "usr/bin/tallyline" << QStringList{"usr/bin", "usr/share"} << QStringList{}
                                     << "";
    QTest::newRow("another program's folder") << "usr/bin/tallyline" << QStringList{InstalledShare("usr/bin") + "-other"}
                                              << QStringList{} << "";
    QTest::newRow("a file, not a folder") << "usr/bin/tallyline" << QStringList{"usr/bin/share"}
                                          << QStringList{InstalledShare("usr/bin"), "usr/bin/share/tallyline"} << "";
}

void TestShippedFiles::findsShippedFolder()
{
    QFETCH(QString, executable);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, files);
    QFETCH(QString, expected);

    QTemporaryDir root;
    const QDir base(root.path());
    for (const QString &folder : std::as_const(folders))
        QVERIFY(base.mkpath(folder));
    for (const QString &file : std::as_const(files))
        WriteFile(base.filePath(file), "not a folder");

    const QString found = FindShippedDirectory(base.filePath(executable));
    QCOMPARE(found, expected.isEmpty() ? QString() : QDir::cleanPath(base.filePath(expected)));
}

// The whole first start of a program installed under a prefix, as it runs
// from <prefix>/bin: the new data directory gets the prefix's files (and
// nothing from the build tree), sub-folders included.
void TestShippedFiles::firstStartOfInstalledProgramSeedsFromPrefix()
{
    InstalledPrefix installed;
    QVERIFY(QFileInfo(installed.executable()).isExecutable());
    QTemporaryDir data;
    const QString dataDirectory = data.filePath(QStringLiteral("Kelmora/Tallyline"));

    FakeClock clock;
    RecordingUi ui;
    StartupOptions options;
    options.dataDirectory = dataDirectory;
    options.executablePath = installed.executable();
    options.useAutostartEntry = false;
    Startup startup(ui, clock);
    QVERIFY(startup.run(options));
    for (const auto &message : std::as_const(ui.messages))
        QFAIL(qPrintable(QStringLiteral("unexpected box: ") + message.text));

    const QDir seeded(dataDirectory);
    QCOMPARE(ReadFile(seeded.filePath(QStringLiteral("Installed Only.tzp"))), QByteArray("[Mon]\n00:00-24:00=1\n"));
    QCOMPARE(ReadFile(seeded.filePath(QStringLiteral("Ringin.wav"))), QByteArray("RIFF installed"));
    QCOMPARE(ReadFile(seeded.filePath(QStringLiteral("help/IDH_installed.html"))), QByteArray("<p>installed</p>"));
    QVERIFY(!seeded.exists(QStringLiteral("Flat Rate 1p per minute.tzp")));
    QCOMPARE(startup.context()->settings.ConnectionSound, seeded.filePath(QStringLiteral("Ringin.wav")));
}

TALLYLINE_ENGINE_TEST_MAIN(TestShippedFiles)
#include "TestShippedFiles.moc"
