#include "dialogs/SettingsForm.h"
#include "reports/ReportForm.h"
#include "reports/gui/ReportChartView.h"
#include "support/ReportsProgram.h"
#include "support/Screenshot.h"
#include "support/TestMain.h"
#include "users/UserRecord.h"

#include <QAction>
#include <QBarSet>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QValueAxis>

using testsupport::ReportsProgram;

// The report window as the account window opens it.
class TestReportForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawsEveryViewFromTheAccountWindow();
    void zoomsPansAndSavesPictures();
    void quarterlyAccountsOpenOnTheMonth();
    void graphSetupRecoloursTheOpenGraph();
};

namespace {

QString leftTitle(TReportForm *form)
{
    return form->chart()->axes(Qt::Vertical).constFirst()->titleText();
}

QString bottomTitle(TReportForm *form)
{
    return form->chart()->axes(Qt::Horizontal).constFirst()->titleText();
}

} // namespace

void TestReportForm::drawsEveryViewFromTheAccountWindow()
{
    ReportsProgram p;
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    QStringList seen;
    bool counted = false;
    ReportsProgram::whileOpen([&] { window->action(QStringLiteral("ReportsItem"))->trigger(); }, [&] {
        TReportForm *form = p.windows.reportForm();
        if (!form)
            return;
        counted = p.windows.editorWindowOpen();
        const auto look = [&](const QString &shot) {
            // The chart lays its items out in the event loop.
            QCoreApplication::processEvents();
            testsupport::screenshot(form, shot);
            seen << QString::number(form->reportPeriodKind()) << form->chart()->title() << bottomTitle(form)
                 << leftTitle(form) << QString::number(form->bars()->count())
                 << QString::number(form->averageLine()->count()) << form->statusPanel(0)->text()
                 << form->statusPanel(1)->text() << form->statusPanel(2)->text();
        };
        seen << form->windowTitle() << form->periodBoxes()->currentWidget()->objectName()
             << QString::number(form->runningAverageCheck()->isChecked())
             << QString::number(form->graphSetupItem()->isEnabled());
        look(QStringLiteral("report-account-time"));
        // A header node stands for its first view.
        form->tree()->setCurrentItem(form->treeNode(5));
        seen << QString::number(form->tree()->currentItem() == form->treeNode(6));
        look(QStringLiteral("report-week-of-account"));
        form->infoButton(ReportOnlineCost)->trigger();
        form->tree()->setCurrentItem(form->treeNode(3));
        seen << QString::number(form->monthCombo()->isEnabled());
        look(QStringLiteral("report-year-cost"));
        form->infoButton(ReportDownloaded)->trigger();
        form->tree()->setCurrentItem(form->treeNode(2));
        look(QStringLiteral("report-month-downloaded"));
        form->ispCombo()->setCurrentText(QStringLiteral("Default"));
        form->infoButton(ReportTimeOnline)->trigger();
        form->startDateEdit()->setDate(QDate(2001, 1, 2));
        form->tree()->setCurrentItem(form->treeNode(4));
        look(QStringLiteral("report-custom-time-default"));
        form->tree()->setCurrentItem(form->treeNode(7));
        form->infoButton(ReportAverageDownload)->trigger();
        look(QStringLiteral("report-week-of-custom-average"));
        form->tree()->setCurrentItem(form->treeNode(1));
        form->ispCombo()->setCurrentIndex(0);
        form->accountCombo()->setCurrentIndex(0);
        look(QStringLiteral("report-all-months"));
        // The running average goes off and on without a redraw.
        form->runningAverageCheck()->setChecked(false);
        seen << QString::number(form->averageLine()->isVisible());
        form->closeButton()->click();
    });
    QVERIFY(counted);
    QVERIFY(!p.windows.reportForm());
    QCOMPARE(seen.size(), 4 + 9 + 1 + 9 + 1 + 9 * 5 + 1);
    QCOMPARE(seen.mid(0, 4), (QStringList{"Tallyline report for user : Admin", "AccountGroupBox", "1", "1"}));
    const auto view = [&](int at) { return seen.mid(at, 9); };
    QCOMPARE(view(4), (QStringList{"0", "Online times for Month 13 : 01 Jan 01 - 01 Feb 01", "Day",
                                   "Time online (Minutes)", "31", "31", "Total Connections : 5",
                                   "Total Time Online : 01:03:00", "Total Cost : \u00a36.75"}));
    QCOMPARE(seen[13], QStringLiteral("1"));
    QCOMPARE(view(14).mid(0, 5), (QStringList{"4", "Average online time Month 13 : 01 Jan 01 - 01 Feb 01", "Day",
                                              "Time online (Minutes)", "7"}));
    QCOMPARE(seen[23], QStringLiteral("0"));
    QCOMPARE(view(24).mid(0, 5), (QStringList{"2", "Online cost for 2001", "Month", "Cost (\u00a3)", "12"}));
    QCOMPARE(view(33).mid(0, 5),
             (QStringList{"1", "Data downloaded for January", "Day", "Data Downloaded (Megabytes)", "31"}));
    // The 2nd to today, "Default" sessions only (with "ANY" and empty ones);
    // connections count them all.
    QCOMPARE(view(42), (QStringList{"3", "Online times from 02/01/2001 to 10/01/2001", "Day", "Time online (Minutes)",
                                    "9", "9", "Total Connections : 5", "Total Time Online : 00:42:00",
                                    "Total Cost : \u00a34.25"}));
    QCOMPARE(view(51).mid(0, 5), (QStringList{"5", "Average download speed 02/01/2001 to 10/01/2001", "Day",
                                              "Average Data Downloaded (kilobytes)", "7"}));
    // "All Months": every day from January 2000 to the end of this month.
    QCOMPARE(view(60).mid(0, 5), (QStringList{"0", "Average download speed for All Months", "Day",
                                              "Average Data Downloaded (kilobytes)",
                                              QString::number(QDate(2000, 1, 1).daysTo(QDate(2001, 2, 1)))}));
    QCOMPARE(seen.last(), QStringLiteral("0"));
}

void TestReportForm::zoomsPansAndSavesPictures()
{
    ReportsProgram p;
    p.logIn(QStringLiteral("Admin"));
    p.ctx.settings.FillGraphBackground = false;
    p.ctx.settings.ShowValueMarkers = true;
    QTemporaryDir dir;
    QStringList seen;
    ReportsProgram::whileOpen([&] { p.ctx.ui.showWindow(UiWindow::Reports); }, [&] {
        TReportForm *form = p.windows.reportForm();
        if (!form)
            return;
        form->resize(900, 620);
        form->show();
        ReportChartView *chart = form->chartView();
        QWidget *area = chart->viewport();
        const QPoint from(area->width() / 3, area->height() / 3);
        const QPoint to(area->width() * 2 / 3, area->height() * 2 / 3);
        // A box dragged with the left button zooms in, and zooming stops.
        QTest::mousePress(area, Qt::LeftButton, {}, from);
        QTest::mouseMove(area, (from + to) / 2);
        QTest::mouseMove(area, to);
        QTest::mouseRelease(area, Qt::LeftButton, {}, to);
        seen << QString::number(form->chart()->isZoomed()) << QString::number(chart->zoomingOn());
        // The right button pans: the axis range moves, the zoom stays.
        auto *axis = static_cast<QValueAxis *>(form->chart()->axes(Qt::Vertical).constFirst());
        const double before = axis->min();
        QTest::mousePress(area, Qt::RightButton, {}, to);
        QTest::mouseMove(area, to + QPoint(0, 40));
        QTest::mouseRelease(area, Qt::RightButton, {}, to + QPoint(0, 40));
        seen << QString::number(axis->min() != before) << QString::number(form->chart()->isZoomed());
        // A click undoes the zoom and zooming is on again.
        QTest::mouseClick(area, Qt::LeftButton, {}, from);
        seen << QString::number(form->chart()->isZoomed()) << QString::number(chart->zoomingOn());
        form->chart()->zoomIn();
        form->zoomOutButton()->click();
        seen << QString::number(form->chart()->isZoomed());
        QCoreApplication::processEvents();
        testsupport::screenshot(form, QStringLiteral("report-gradient-marks"));
        for (auto [name, format] : {std::pair{"graph.bmp", TReportForm::PictureFormat::Bitmap},
                                    std::pair{"graph.svg", TReportForm::PictureFormat::Svg},
                                    std::pair{"graph.pdf", TReportForm::PictureFormat::Pdf}}) {
            QFile file(dir.filePath(QLatin1String(name)));
            seen << QString::number(form->saveGraph(file.fileName(), format));
            const int magic = format == TReportForm::PictureFormat::Bitmap ? 2 : 5;
            seen << (file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.read(magic)) : QString());
        }
        form->closeButton()->click();
    });
    QCOMPARE(seen.mid(0, 7), (QStringList{"1", "0", "1", "1", "0", "1", "0"}));
    QCOMPARE(seen.mid(7), (QStringList{"1", "BM", "1", "<?xml", "1", "%PDF-"}));
}

void TestReportForm::quarterlyAccountsOpenOnTheMonth()
{
    ReportsProgram p;
    UserRecord quarterly;
    quarterly.accountType = QStringLiteral("quarterly");
    WriteUserRecord(*p.temp.store, p.admin, quarterly, UserAccountType);
    p.logIn(QStringLiteral("Admin"));
    int view = -1;
    QString month, year;
    ReportsProgram::whileOpen([&] { p.ctx.ui.showWindow(UiWindow::Reports); }, [&] {
        TReportForm *form = p.windows.reportForm();
        view = form->reportPeriodKind();
        month = form->monthCombo()->currentText();
        year = form->yearCombo()->currentText();
        form->closeButton()->click();
    });
    QCOMPARE(view, int(ReportSelectedMonth));
    QCOMPARE(month, QStringLiteral("January"));
    QCOMPARE(year, QStringLiteral("2001"));
}

// "&Graph Setup" opens the settings on their report pages; a colour picked
// there shows in the graph at once, even when the dialog is cancelled.
void TestReportForm::graphSetupRecoloursTheOpenGraph()
{
    ReportsProgram p;
    p.ctx.settings.FillGraphBackground = false;  // the colour gradient, not the picture
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    QString settingsTitle;
    QColor backgroundTop;
    const int before = p.ctx.settings.StartGraphColor;
    ReportsProgram::whileOpen([&] { window->action(QStringLiteral("ReportsItem"))->trigger(); }, [&] {
        TReportForm *form = p.windows.reportForm();
        if (!form)
            return;
        ReportsProgram::whileOpen([&] { form->graphSetupItem()->trigger(); }, [&] {
            if (TSettingsForm *settings = p.windows.settingsForm()) {
                settingsTitle = settings->windowTitle();
                Q_EMIT p.ctx.events.graphColoursPicked(0x0000FF, 0xFFFFFF, 0x00FF00);
                settings->cancelButton()->click();
            }
        });
        const QGradient *gradient = form->chart()->backgroundBrush().gradient();
        if (gradient)
            backgroundTop = gradient->stops().first().second;
        form->closeButton()->click();
    });
    QCOMPARE(settingsTitle, QStringLiteral("Tallyline Report Settings"));
    QCOMPARE(backgroundTop, QColor(Qt::red));  // 0x00BBGGRR
    QCOMPARE(p.ctx.settings.StartGraphColor, before);
}

TALLYLINE_TEST_MAIN(TestReportForm)
#include "TestReportForm.moc"
