#include "reports/SessionPrintForm.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using namespace PrintoutLayout;

// Puts the cursor back however the build ends.
struct HourglassCursor {
    HourglassCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~HourglassCursor() { QApplication::restoreOverrideCursor(); }
};

QFont printFont(int pointSize, bool bold = false)
{
    QFont font(QStringLiteral("Arial"), pointSize);
    font.setStyleHint(QFont::SansSerif);
    font.setBold(bold);
    return font;
}

void setUpPrinter(QPrinter &printer)
{
    printer.setDocName(QStringLiteral("Tallyline"));
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(PageMargin, PageMargin, PageMargin, PageMargin),
                                      QPageLayout::Millimeter));
}

} // namespace

void PaintSessionPrintout(QPrinter &printer, const SessionPrintout &printout)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    // Positions are millimetres from the top left inside the margins; the
    // painter works in the printer's dots.
    const double dotsPerMm = printer.resolution() / 25.4;
    const auto mm = [dotsPerMm](double value) { return value * dotsPerMm; };
    const double pageHeight = printer.pageLayout().paintRect(QPageLayout::Millimeter).height();
    const auto textAt = [&](double left, double top, const QString &text, const QFont &font) {
        painter.setFont(font);
        const QFontMetricsF metrics(font, &printer);
        painter.drawText(QPointF(mm(left), mm(top) + metrics.ascent()), text);
    };
    const auto header = [&](int number) {
        textAt(TitleLeft, TitleTop, printout.title, printFont(TitlePointSize, true));
        textAt(PeriodLeft, PeriodTop, printout.period, printFont(PeriodPointSize));
        textAt(PageNumberLeft, PageNumberTop, PrintoutPageNumberText(number), printFont(PageNumberPointSize));
        const QStringList headings = SessionPrintout::headings();
        const QList<double> lefts = SessionPrintout::headingLefts();
        for (int i = 0; i < headings.size(); ++i)
            textAt(lefts[i], HeadingTop, headings[i], printFont(HeadingPointSize));
        painter.setPen(QPen(Qt::black, mm(0.2)));
        painter.drawRect(QRectF(mm(RuleLeft), mm(RuleTop), mm(RuleWidth), mm(0.3)));
    };
    const QFont bodyFont = printFont(BodyPointSize);
    const double lineHeight = QFontMetricsF(bodyFont, &printer).lineSpacing() / dotsPerMm;
    int number = 1;
    header(number);
    double top = HeaderBandHeight;
    for (const QString &line : printout.lines) {
        if (top + lineHeight > pageHeight) {
            printer.newPage();
            header(++number);
            top = HeaderBandHeight;
        }
        textAt(RuleLeft, top, line, bodyFont);
        top += lineHeight;
    }
    painter.end();
}

TSessionPrintForm::TSessionPrintForm(AppContext &ctx, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setObjectName(QStringLiteral("SessionPrintForm"));
    setWindowTitle(QStringLiteral("Print Session Information"));
    setUpPrinter(*m_printer);

    m_accountCombo = new QComboBox;
    m_accountCombo->setObjectName(QStringLiteral("AccountComboBox"));
    m_ispCombo = new QComboBox;
    m_ispCombo->setObjectName(QStringLiteral("ISPComboBox"));
    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("Account Period :"), m_accountCombo);
    fields->addRow(QStringLiteral("ISP :"), m_ispCombo);

    const auto button = [](const char *name, const QString &text) {
        auto *b = new QPushButton(text);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    m_previewButton = button("PreviewButton", QStringLiteral("&Preview"));
    m_printButton = button("PrintButton", QStringLiteral("&Print"));
    m_printButton->setDefault(true);
    m_setupButton = button("PrinterSetupButton", QStringLiteral("Printer &Setup"));
    m_cancelButton = button("CancelButton", QStringLiteral("&Cancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *b : {m_previewButton, m_printButton, m_setupButton, m_cancelButton})
        buttons->addWidget(b);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    m_accountCombo->setMinimumContentsLength(32);

    connect(m_previewButton, &QPushButton::clicked, this, &TSessionPrintForm::onPreviewClicked);
    connect(m_printButton, &QPushButton::clicked, this, &TSessionPrintForm::onPrintClicked);
    connect(m_setupButton, &QPushButton::clicked, this, &TSessionPrintForm::runPrinterSetup);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

TSessionPrintForm::~TSessionPrintForm() = default;

void TSessionPrintForm::prepare(int periodEntry)
{
    PROCEDURE_GUARD(m_ctx, "SessionPrint", "FormShow");
    m_periods = FillAccountComboBox(m_ctx);
    m_accountCombo->clear();
    m_accountCombo->addItems(m_periods.texts);
    if (periodEntry >= 0 && periodEntry < m_accountCombo->count())
        m_accountCombo->setCurrentIndex(periodEntry);
    else
        m_accountCombo->setCurrentIndex(m_periods.selected >= 0 ? m_periods.selected : m_accountCombo->count() - 1);
    m_ispCombo->clear();
    m_ispCombo->addItems(IspFilterEntries(m_ctx));
    m_ispCombo->setCurrentIndex(m_ispCombo->count() > 0 ? 0 : -1);
}

SessionPrintout TSessionPrintForm::buildPrintout()
{
    HourglassCursor busy;
    const int entry = m_accountCombo->currentIndex();
    return BuildSessionPrintout(m_ctx, m_accountCombo->currentText(), PeriodListSpan(m_periods, entry),
                                m_ispCombo->currentIndex(), m_ispCombo->currentText());
}

void TSessionPrintForm::printTo(QPrinter &printer)
{
    PaintSessionPrintout(printer, buildPrintout());
}

void TSessionPrintForm::runPrinterSetup()
{
    QPrintDialog dialog(m_printer.get(), this);
    dialog.setWindowTitle(QStringLiteral("Printer Setup"));
    dialog.exec();
}

void TSessionPrintForm::onPreviewClicked()
{
    PROCEDURE_GUARD(m_ctx, "SessionPrint", "PreviewButtonClick");
    const SessionPrintout printout = buildPrintout();
    QPrintPreviewDialog preview(m_printer.get(), this);
    preview.setObjectName(QStringLiteral("PrintPreview"));
    preview.setWindowTitle(QStringLiteral("Tallyline"));
    preview.resize(800, 900);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&printout](QPrinter *printer) { PaintSessionPrintout(*printer, printout); });
    if (auto *view = preview.findChild<QPrintPreviewWidget *>()) {
        view->setZoomMode(QPrintPreviewWidget::CustomZoom);
        view->setZoomFactor(0.8);
    }
    preview.exec();
}

void TSessionPrintForm::onPrintClicked()
{
    PROCEDURE_GUARD(m_ctx, "SessionPrint", "PrintButtonClick");
    // Printing here finishes before the call returns: no job outlives the dialog.
    printTo(*m_printer);
    accept();
}
