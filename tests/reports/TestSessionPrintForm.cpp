#include "reports/SessionPrintForm.h"
#include "support/ReportsProgram.h"
#include "support/Screenshot.h"
#include "support/TestMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

using testsupport::ReportsProgram;

// The printout dialog and the export, from the account window's menu.
class TestSessionPrintForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void printsTheChosenIspToPdf();
    void previewShowsTheFirstPage();
    void longListingsRunOntoMorePages();
    void exportWritesTheChosenFile();
    void printerSetupOpensFromTheMenu();
};

namespace {

// The text of a PDF, as pdftotext reads it with the layout kept.
QString pdfText(const QString &path)
{
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!reader.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(reader.readAllStandardOutput());
}

bool havePdfToText()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

} // namespace

void TestSessionPrintForm::printsTheChosenIspToPdf()
{
    if (!havePdfToText())
        QSKIP("pdftotext (poppler-utils) is not installed");
    ReportsProgram p;
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("printout.pdf"));
    QStringList seen;
    ReportsProgram::whileOpen([&] { window->action(QStringLiteral("PrintItem"))->trigger(); }, [&] {
        TSessionPrintForm *form = p.windows.sessionPrintForm();
        if (!form)
            return;
        seen << form->windowTitle() << form->accountCombo()->currentText() << form->ispCombo()->currentText();
        form->ispCombo()->setCurrentText(QStringLiteral("Default"));
        form->printer().setOutputFormat(QPrinter::PdfFormat);
        form->printer().setOutputFileName(pdf);
        form->printButton()->click();
    });
    QCOMPARE(seen, (QStringList{"Print Session Information", "Month 13 : 01 Jan 01 - 01 Feb 01", "All ISP's"}));
    QVERIFY(!p.windows.sessionPrintForm());
    const QString text = pdfText(pdf);
    QVERIFY2(text.contains(QStringLiteral("Tallyline Session Information for User : Admin")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Month 13 : 01 Jan 01 - 01 Feb 01")));
    QVERIFY(text.contains(QStringLiteral("Page - 1")));
    QStringList headings;
    for (const QString &heading : SessionPrintout::headings())
        QVERIFY2(text.contains(heading), qPrintable(heading));
    // "Default" takes the sessions stored as "Default" and those stored empty.
    // pdftotext gives each run of spaces back as it sees fit: compare words.
    const QStringList words = text.simplified().split(QLatin1Char(' '));
    QCOMPARE(words.count(QStringLiteral("Default")), 2);
    QCOMPARE(words.count(QStringLiteral("ANY")), 0);
    QCOMPARE(words.count(QStringLiteral("Work")), 0);
    QVERIFY(text.simplified().contains(
        QStringLiteral("02/01/2001 09:00:00 09:10:00 00:10:00 \u00a31.00 \u00a31.00 Default")));
    QVERIFY(text.simplified().contains(
        QStringLiteral("10/01/2001 07:00:00 07:02:00 00:02:00 \u00a30.25 \u00a31.25 Default")));
}

void TestSessionPrintForm::previewShowsTheFirstPage()
{
    ReportsProgram p;
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    bool previewed = false;
    ReportsProgram::whileOpen([&] { window->action(QStringLiteral("PrintButton"))->trigger(); }, [&] {
        TSessionPrintForm *form = p.windows.sessionPrintForm();
        if (!form)
            return;
        QTimer::singleShot(0, [&, form] {
            auto *preview = form->findChild<QPrintPreviewDialog *>(QStringLiteral("PrintPreview"));
            if (!preview)
                return;
            previewed = preview->isVisible();
            testsupport::screenshot(preview, QStringLiteral("print-preview"));
            preview->reject();
        });
        form->previewButton()->click();
        form->cancelButton()->click();
    });
    QVERIFY(previewed);
}

void TestSessionPrintForm::longListingsRunOntoMorePages()
{
    if (!havePdfToText())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("long.pdf")));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    SessionPrintout printout;
    printout.title = QStringLiteral("Title");
    for (int i = 1; i <= 150; ++i)
        printout.lines.append(QStringLiteral("line %1 end").arg(i));
    PaintSessionPrintout(printer, printout);
    const QString text = pdfText(printer.outputFileName());
    QVERIFY(text.contains(QStringLiteral("Page - 2")));
    QVERIFY(text.contains(QStringLiteral("line 150 end")));
    // Every page has its header band, and no line is lost or doubled.
    const int pages = int(text.count(QStringLiteral("Page - ")));
    QVERIFY(pages >= 2);
    QCOMPARE(int(text.count(QStringLiteral("Time online"))), pages);
    QCOMPARE(int(text.count(QStringLiteral(" end"))), 150);
}

void TestSessionPrintForm::exportWritesTheChosenFile()
{
    ReportsProgram p;
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    window->sessionPeriodCombo()->setCurrentIndex(13);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    QString proposed;
    ReportsProgram::whileOpen([&] { window->action(QStringLiteral("ExportItem"))->trigger(); }, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            proposed = name->text();
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QCOMPARE(proposed, QStringLiteral("Admin Session info.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 11 + 5 + 1);
    QCOMPARE(lines[2], QStringLiteral("Account Period : Month 13 : 01 Jan 01 - 01 Feb 01"));
    QCOMPARE(lines[6], QStringLiteral("Total Cost : 6.75"));
    QCOMPARE(lines[15], QStringLiteral("10/01/2001        07:00:00        07:02:00        00:02:00        \u00a30.25        "
                                       "\u00a36.75   "));
}

void TestSessionPrintForm::printerSetupOpensFromTheMenu()
{
    ReportsProgram p;
    p.logIn(QStringLiteral("Admin"));
    TMainForm *window = p.openFromTray();
    QString opened;
    ReportsProgram::whileOpen([&] { window->action(QStringLiteral("PrintSetupItem"))->trigger(); }, [&] {
        if (auto *setup = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget())) {
            opened = setup->windowTitle();
            setup->reject();
        }
    });
    QCOMPARE(opened, QStringLiteral("Printer Setup"));
    // The dialog it belongs to went with it.
    QVERIFY(!p.windows.sessionPrintForm());
}

TALLYLINE_TEST_MAIN(TestSessionPrintForm)
#include "TestSessionPrintForm.moc"
