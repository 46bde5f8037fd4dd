#include "app/gui/Windows.h"
#include "core/AppContext.h"
#include "dialogs/TipOfTheDayForm.h"
#include "dialogs/Tips.h"
#include "support/Screenshot.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>

// The tip of the day as the account window's menu opens it: through Windows.
class TestTipOfTheDayForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachOpeningShowsTheNextTip();
    void theCheckBecomesTheSetting();
};

namespace {

struct Program {
    Program()
    {
        ctx.startup.programDirectory = temp.dir.path() + QLatin1Char('/');
        windows.startResidentShell(ctx);
    }

    testsupport::TempStore temp;
    FakeClock clock{QDateTime(QDate(2001, 1, 10), QTime(12, 0))};
    AppContext ctx{*temp.store, clock, windows};
    Windows windows{clock, QStringLiteral("simulated")};
};

// Opens the tip window; while it is up, act(form) and then the form closes
// (act may close it itself). Returns the tip shown when it opened.
template<typename Act>
QString openTips(Program &p, Act act)
{
    QString shown;
    QTimer::singleShot(0, [&] {
        TTipOfTheDayForm *form = p.windows.tipOfTheDayForm();
        const auto closeAnyway = qScopeGuard([form] {
            if (form && form->isVisible())
                form->closeButton()->click();
        });
        QVERIFY(form);
        shown = form->tipLabel()->text();
        act(form);
    });
    p.windows.showWindow(UiWindow::TipOfTheDay);
    return shown;
}

} // namespace

void TestTipOfTheDayForm::eachOpeningShowsTheNextTip()
{
    QCOMPARE(TipCount(), 15);
    QVERIFY(TipDisplayText(13).contains(QStringLiteral("https://tallyline.example.org/")));
    Program p;
    QStringList shown;
    for (int opening = 0; opening < 3; ++opening)
        shown.append(openTips(p, [](TTipOfTheDayForm *) {}));
    QCOMPARE(shown, (QStringList{TipDisplayText(1), TipDisplayText(2), TipDisplayText(3)}));
    // Tip 2 reads with one "&".
    QVERIFY(shown[1].contains(QStringLiteral("time & effort")));

    QStringList afterNext;
    openTips(p, [&](TTipOfTheDayForm *form) {
        QCOMPARE(form->windowTitle(), QStringLiteral("Tip of the day"));
        QCOMPARE(form->headingLabel()->text(), QStringLiteral("Did you know..."));
        QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(form->closeButton()->isDefault());
        QVERIFY(QTest::qWaitForWindowExposed(form));
        testsupport::screenshot(form, QStringLiteral("tip-of-the-day"));
        // From tip 4 round past the last one.
        for (int i = 0; i < 12; ++i) {
            form->nextTipButton()->click();
            afterNext.append(form->tipLabel()->text());
        }
    });
    QCOMPARE(afterNext.mid(10), (QStringList{TipDisplayText(15), TipDisplayText(1)}));
    QCOMPARE(openTips(p, [](TTipOfTheDayForm *) {}), TipDisplayText(2));
}

// The check shows the setting, and closing (by Escape too) makes it the setting.
void TestTipOfTheDayForm::theCheckBecomesTheSetting()
{
    Program p;
    QList<bool> shownChecked;
    for (bool escape : {true, false}) {
        openTips(p, [&](TTipOfTheDayForm *form) {
            shownChecked.append(form->showTipsCheck()->isChecked());
            form->showTipsCheck()->click();
            if (escape) {
                QTest::keyClick(form, Qt::Key_Escape);
                QVERIFY(!form->isVisible());
            }
        });
        shownChecked.append(p.ctx.settings.ShowTipForm);
    }
    QCOMPARE(shownChecked, (QList<bool>{true, false, false, true}));
    QVERIFY(!p.windows.tipOfTheDayForm());
}

TALLYLINE_TEST_MAIN(TestTipOfTheDayForm)
#include "TestTipOfTheDayForm.moc"
