#pragma once

#include "account_window/AccountPeriodList.h"
#include "reports/SessionListing.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QPrinter;
class QPushButton;
struct AppContext;

// "Print Session Information": one account period of the user's sessions as
// an A4 report, previewed or printed, with an ISP filter.
class TSessionPrintForm : public QDialog
{
    Q_OBJECT

public:
    explicit TSessionPrintForm(AppContext &ctx, QWidget *parent = nullptr);
    ~TSessionPrintForm() override;

    // Fills the period and ISP lists; periodEntry >= 0 selects that period
    // (the bill's), otherwise the current one.
    void prepare(int periodEntry = -1);

    // The report for the chosen period and ISP.
    SessionPrintout buildPrintout();
    // Lays the report out on the printer, page by page.
    void printTo(QPrinter &printer);
    // The report's own printer (A4 portrait, 10 mm margins).
    QPrinter &printer() { return *m_printer; }
    // The printer set-up dialog of the report's printer.
    void runPrinterSetup();

    QComboBox *accountCombo() const { return m_accountCombo; }
    QComboBox *ispCombo() const { return m_ispCombo; }
    QPushButton *previewButton() const { return m_previewButton; }
    QPushButton *printButton() const { return m_printButton; }
    QPushButton *setupButton() const { return m_setupButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

private:
    void onPreviewClicked();
    void onPrintClicked();

    AppContext &m_ctx;
    AccountPeriodList m_periods;
    std::unique_ptr<QPrinter> m_printer;
    QComboBox *m_accountCombo = nullptr;
    QComboBox *m_ispCombo = nullptr;
    QPushButton *m_previewButton = nullptr;
    QPushButton *m_printButton = nullptr;
    QPushButton *m_setupButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

// Paints a printout on a printer: the page header band on every page, the
// memo lines below it, broken across as many pages as they need.
void PaintSessionPrintout(QPrinter &printer, const SessionPrintout &printout);
