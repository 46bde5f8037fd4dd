#include "app/gui/BoxRequests.h"
#include "app/gui/Windows.h"
#include "core/AppContext.h"
#include "session/EditSessionForm.h"
#include "session/SessionRecord.h"
#include "support/Screenshot.h"
#include "support/TariffSeed.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>

using testsupport::TariffSeed;

// The session editor as the account window opens it: through Windows, on a
// seeded store, with the real message boxes answered as a person would.
class TestEditSessionForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editCalculateAndSave();
    void refusedEditsKeepTheEditorOpen();
};

namespace {

const DateTime Saturday = EncodeDate(2001, 1, 13);

struct Program {
    Program()
    {
        ctx.startup.programDirectory = temp.dir.path() + QLatin1Char('/');
        ctx.currencySymbol = QStringLiteral("\u00a3");
        ctx.login.CurrentUser = 1;
        ctx.login.LoggedIn = true;
        windows.startResidentShell(ctx);
        TariffSeed seed(*temp.store);
        seed.isp(1, QStringLiteral("Home"), QStringLiteral("Any")).bands(1, 6, {{0, 1439, 0.06, 0.10, 0}});
        seed.session({Saturday + EncodeTime(8, 0, 0), 600, 0.5, 0, 0});
        seed.session({Saturday + EncodeTime(23, 30, 0), 60, 0.25, 0, 0, QStringLiteral("Simulated ISP")});
    }
    SessionRecord session(int m) { return ReadSessionDay(*temp.store, 1, Saturday).sessions.at(m - 1); }

    testsupport::TempStore temp;
    FakeClock clock{QDateTime(QDate(2001, 1, 13), QTime(18, 0))};
    AppContext ctx{*temp.store, clock, windows};
    Windows windows{clock, QStringLiteral("simulated")};
};

// Presses OK on every message box that comes up, and keeps their texts.
struct BoxAnswerer {
    BoxAnswerer()
    {
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box->property("answered").toBool())
                return;
            box->setProperty("answered", true);
            texts.append(box->text());
            AnswerBoxRequest(QStringLiteral("answer"), QStringLiteral("ok"));
        });
        poll.start();
    }
    QStringList texts;
    QTimer poll;
};

void typeTime(QLineEdit *edit, const QString &digits)
{
    edit->setFocus();
    edit->setCursorPosition(0);
    QTest::keyClicks(edit, digits);
}

// A check that failed inside the modal editor must not leave it waiting.
void closeEditor(Windows &windows)
{
    if (TEditSessionForm *form = windows.editSessionForm(); form && form->isVisible())
        form->reject();
}

} // namespace

void TestEditSessionForm::editCalculateAndSave()
{
    Program p;
    BoxAnswerer boxes;
    bool editorCounted = false;
    QStringList items;
    QStringList calculated;
    QString derived, cutCost, leftCost;
    QTimer::singleShot(0, [&] {
        const auto closeAnyway = qScopeGuard([&] { closeEditor(p.windows); });
        TEditSessionForm *form = p.windows.editSessionForm();
        QVERIFY(form);
        QVERIFY(QTest::qWaitForWindowActive(form));
        editorCounted = p.windows.editorWindowOpen();
        QCOMPARE(form->windowTitle(), QStringLiteral("Edit Session"));
        QCOMPARE(form->sessionGroup()->title(), QStringLiteral("Session information - Saturday 13/01/2001"));
        QCOMPARE(form->startTimeEdit()->text(), QStringLiteral("23:30:00"));
        QCOMPARE(form->timeOnlineEdit()->text(), QStringLiteral("00:01:00"));
        QCOMPARE(form->costEdit()->text(), QStringLiteral("0.250"));
        QVERIFY(!form->timeOnlineEdit()->isEnabled() && form->timeOnlineEdit()->isReadOnly());
        for (int i = 0; i < form->connectionCombo()->count(); ++i)
            items.append(form->connectionCombo()->itemText(i));
        QCOMPARE(form->connectionCombo()->currentText(), QStringLiteral("Simulated ISP"));

        typeTime(form->endTimeEdit(), QStringLiteral("ab001500"));
        derived = form->timeOnlineEdit()->text();
        // No ISP answers to "Simulated ISP": told so, and priced as ISP 1.
        form->calculateButton()->click();
        calculated.append(form->costEdit()->text());
        form->connectionCombo()->setCurrentText(QStringLiteral("Default"));
        typeTime(form->startTimeEdit(), QStringLiteral("235959"));
        form->calculateButton()->click();
        calculated.append(form->costEdit()->text());

        // Back from the box, the editor has the focus again.
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        // A click selects the whole cost, so typing replaces it.
        QTest::mouseClick(form->costEdit(), Qt::LeftButton);
        QTRY_COMPARE(form->costEdit()->selectedText(), QStringLiteral("0.901"));
        QTest::keyClicks(form->costEdit(), QStringLiteral("1.23456789"));
        cutCost = form->costEdit()->text();
        form->okButton()->setFocus();   // leaving the cost edit
        leftCost = form->costEdit()->text();
        testsupport::screenshot(form, QStringLiteral("edit-session"));
        form->okButton()->click();
    });
    p.windows.editSession(Saturday, 2, QStringLiteral("simulated isp"));

    QVERIFY(editorCounted);
    QVERIFY(!p.windows.editorWindowOpen());
    QCOMPARE(items, (QStringList{QStringLiteral("Default"), QStringLiteral("Simulated ISP"),
                                 QStringLiteral("Simulated Backup ISP")}));
    QCOMPARE(derived, QStringLiteral("00:45:00"));
    QCOMPARE(boxes.texts, QStringList{QStringLiteral(
        "There is no set of timezones defined for this ISP, default timezones will be used")});
    QCOMPARE(calculated, (QStringList{QStringLiteral("2.700"), QStringLiteral("0.901")}));
    // The ninth character cut the text to seven; the last one was typed after that.
    QCOMPARE(cutCost, QStringLiteral("1.234569"));
    QCOMPARE(leftCost, QStringLiteral("1.2346"));

    const SessionRecord r = p.session(2);
    QCOMPARE(r.connection, std::optional<QString>(QStringLiteral("Any")));
    QCOMPARE(r.timeOnline, 15.0 * 60 + 1);
    QCOMPARE(r.cost, 1.2346);
    QCOMPARE(p.ctx.pricing.DailyCost, 0.5 + 1.2346);
    QCOMPARE(p.session(1).cost, 0.5);
}

void TestEditSessionForm::refusedEditsKeepTheEditorOpen()
{
    Program p;
    BoxAnswerer boxes;
    QList<bool> stillOpen;
    QTimer::singleShot(0, [&] {
        const auto closeAnyway = qScopeGuard([&] { closeEditor(p.windows); });
        TEditSessionForm *form = p.windows.editSessionForm();
        QVERIFY(form);
        form->startTimeEdit()->clear();
        form->endTimeEdit()->setText(QStringLiteral("25:00:00"));
        form->okButton()->click();
        stillOpen.append(form->isVisible());
        // OK straight from a cost that is no number: the error report.
        form->startTimeEdit()->setText(QStringLiteral("09:00:00"));
        form->endTimeEdit()->setText(QStringLiteral("10:00:00"));
        form->costEdit()->setText(QStringLiteral("x.y"));
        form->okButton()->click();
        stillOpen.append(form->isVisible());
        form->cancelButton()->click();
    });
    const SessionRecord before = p.session(1);
    p.windows.editSession(Saturday, 1, QStringLiteral("Default"));
    QCOMPARE(stillOpen, (QList<bool>{true, true}));
    QCOMPARE(boxes.texts.mid(0, 2), (QStringList{QStringLiteral("Invalid Start Time Entered"),
                                                 QStringLiteral("Invalid End Time Entered")}));
    QCOMPARE(boxes.texts.size(), 3);
    QVERIFY(boxes.texts[2].contains(QStringLiteral("'x.y' is not a valid floating point value")));
    QCOMPARE(p.session(1), before);
    // A separator row opens nothing.
    p.windows.editSession(Saturday, -1, QString());
    QVERIFY(!p.windows.editSessionForm());
}

TALLYLINE_TEST_MAIN(TestEditSessionForm)
#include "TestEditSessionForm.moc"
