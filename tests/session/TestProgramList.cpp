#include "session/ProgramList.h"
#include "support/SessionFixture.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>

using testsupport::SessionFixture;

class TestProgramList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theDialogsFieldsBecomeTheRecord_data();
    void theDialogsFieldsBecomeTheRecord();
    void aMissingFileIsRefused();
    void removingRenumbersAndRunStartsInTheProgramsFolder();
};

namespace {

// An executable file in the fixture's temporary folder.
QString makeProgram(SessionFixture &f, const QString &name)
{
    const QString path = f.temp.path(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("#!/bin/sh\n");
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

int storedCount(SessionFixture &f)
{
    return ReadNumberOfPrograms(f.ctx);
}

} // namespace

void TestProgramList::theDialogsFieldsBecomeTheRecord_data()
{
    QTest::addColumn<bool>("alwaysRuns");
    QTest::addColumn<int>("ticked");
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("daysText");
    QTest::newRow("Monday and Sunday") << false << (1 | 64) << 65 << 8 * 60 + 5 << 23 * 60 + 59 << "Mon,Sun";
    QTest::newRow("always runs") << true << (1 | 64) << 255 << 0 << 0 << "Mon,Tue,Wed,Thu,Fri,Sat,Sun";
    QTest::newRow("no day") << false << 0 << 0 << 8 * 60 + 5 << 23 * 60 + 59 << "";
}

void TestProgramList::theDialogsFieldsBecomeTheRecord()
{
    QFETCH(bool, alwaysRuns);
    QFETCH(int, ticked);
    QFETCH(int, days);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QString, daysText);
    SessionFixture f;
    f.ctx.login.CurrentUser = 1;
    f.ctx.login.LoggedIn = true;
    ProgramEditorInput in;
    in.filename = makeProgram(f, QStringLiteral("mail"));
    in.autoClose = true;
    in.alwaysRuns = alwaysRuns;
    in.startHours = 8;
    in.startMinutes = 5;
    in.endHours = 23;
    in.endMinutes = 59;
    in.days = ticked;
    int changes = 0;
    connect(&f.ctx.events, &EngineEvents::programListChanged, [&] { ++changes; });
    QVERIFY(StoreProgram(f.ctx, 0, in));
    QCOMPARE(changes, 1);
    QCOMPARE(storedCount(f), 1);
    const SessionProgram stored = ReadProgramRecord(f.store(), 1, 1);
    QCOMPARE(stored, (SessionProgram{in.filename, true, alwaysRuns ? 0 : 1, start, end, days}));

    ProgramListModel model(f.ctx);
    model.rebuild();
    QCOMPARE(f.ctx.login.NumberOfPrograms, 1);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0, ProgramListModel::FileName).data().toString(), in.filename);
    QCOMPARE(model.index(0, ProgramListModel::Close).data().toString(), QStringLiteral("Yes"));
    QCOMPARE(model.index(0, ProgramListModel::Start).data().toString(), alwaysRuns ? "00:00" : "08:05");
    QCOMPARE(model.index(0, ProgramListModel::End).data().toString(), alwaysRuns ? "00:00" : "23:59");
    QCOMPARE(model.index(0, ProgramListModel::Days).data().toString(), daysText);
}

void TestProgramList::aMissingFileIsRefused()
{
    SessionFixture f;
    f.ctx.login.CurrentUser = 1;
    f.ctx.login.LoggedIn = true;
    for (const QString &name : {f.temp.path(QStringLiteral("nothing")), f.temp.dir.path(), QString()}) {
        ProgramEditorInput in;
        in.filename = name;
        QVERIFY(!StoreProgram(f.ctx, 0, in));
    }
    QCOMPARE(f.ui.messages.size(), 3);
    QCOMPARE(f.ui.messages.first().kind, MessageKind::Warning);
    QCOMPARE(f.ui.texts().first(),
             QStringLiteral("The application you have entered either has an invalid path or does not exist."));
    QCOMPARE(storedCount(f), 0);
}

void TestProgramList::removingRenumbersAndRunStartsInTheProgramsFolder()
{
    SessionFixture f;
    f.ctx.login.CurrentUser = 1;
    f.ctx.login.LoggedIn = true;
    QDir(f.temp.dir.path()).mkdir(QStringLiteral("tools dir"));
    const QStringList files = {makeProgram(f, QStringLiteral("a")), makeProgram(f, QStringLiteral("tools dir/b c")),
                               makeProgram(f, QStringLiteral("d"))};
    for (const QString &file : files) {
        ProgramEditorInput in;
        in.filename = file;
        QVERIFY(StoreProgram(f.ctx, 0, in));
    }
    QVERIFY(RunListedProgram(f.ctx, 2));
    QCOMPARE(f.launcher.starts.size(), 1);
    QCOMPARE(f.launcher.starts[0].program, files[1]);
    QVERIFY(f.launcher.starts[0].arguments.isEmpty());
    QCOMPARE(f.launcher.starts[0].workingDirectory, f.temp.path(QStringLiteral("tools dir")));
    QVERIFY(!RunListedProgram(f.ctx, 4));

    f.ctx.settings.DeletePrompt = true;
    f.ui.answers.enqueue(false);
    f.ui.answers.enqueue(true);
    QVERIFY(!RemoveProgram(f.ctx, 2));
    QVERIFY(RemoveProgram(f.ctx, 2));
    QCOMPARE(f.ui.texts().last(), QStringLiteral("Are you sure you want to remove this program from the list?"));
    QCOMPARE(storedCount(f), 2);
    QCOMPARE(f.ctx.login.NumberOfPrograms, 2);
    QCOMPARE(ReadProgramRecord(f.store(), 1, 2).filename, files[2]);
    QVERIFY(!f.store().keyExists(Store::hivePathOf(ProgramKey(1, 3))));
}

TALLYLINE_ENGINE_TEST_MAIN(TestProgramList)
#include "TestProgramList.moc"
