#include "reports/ReportForm.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "reports/SessionListing.h"
#include "reports/gui/ReportChartView.h"
#include "tariff/AccountPeriods.h"
#include "users/UserRecord.h"

#include <QActionGroup>
#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QSvgGenerator>
#include <QSvgRenderer>
#include <QToolBar>
#include <QTreeWidget>
#include <QValueAxis>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int DesignWidth = 710;
constexpr int DesignHeight = 538;
constexpr int ViewRole = Qt::UserRole + 1;

// A stored colour is 0x00BBGGRR.
QColor storedColor(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

// The axis step: the kind's increment, made coarser (1, 2, 5 times a power
// of ten) until some twelve steps span the values.
double axisStep(double increment, double top)
{
    double step = increment;
    static constexpr double factors[] = {2.0, 2.5, 2.0};
    for (int i = 0; top / step > 12.0 && i < 60; ++i)
        step *= factors[i % 3];
    return step;
}

struct HourglassCursor {
    HourglassCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~HourglassCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TReportForm::TReportForm(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("ReportForm"));
    setMinimumSize(DesignWidth, DesignHeight);
    resize(DesignWidth + 150, DesignHeight + 60);
    auto *layout = new QVBoxLayout(this);
    buildMenus(layout);

    auto *toolBar = new QToolBar;
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto *kinds = new QActionGroup(this);
    kinds->setExclusive(true);
    for (int kind = 0; kind < ReportKindCount; ++kind) {
        QAction *button = toolBar->addAction(ReportInfoCaption(kind));
        button->setObjectName(QStringLiteral("ToolButton%1").arg(kind + 1));
        button->setCheckable(true);
        kinds->addAction(button);
        m_infoButtons[kind] = button;
        connect(button, &QAction::triggered, this, [this, kind] {
            m_infoKind = kind;
            DrawReportGraph();
        });
    }
    m_infoButtons[ReportTimeOnline]->setChecked(true);
    layout->addWidget(toolBar);

    // The left column: views, the period of the view, the ISP, the average.
    auto *left = new QVBoxLayout;
    buildTree();
    left->addWidget(m_tree);

    m_accountBox = new QGroupBox(QStringLiteral("Account Period"));
    m_accountBox->setObjectName(QStringLiteral("AccountGroupBox"));
    m_accountCombo = new QComboBox;
    m_accountCombo->setObjectName(QStringLiteral("AccountComboBox"));
    m_accountCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_accountCombo->setMinimumContentsLength(30);
    (new QVBoxLayout(m_accountBox))->addWidget(m_accountCombo);

    m_monthYearBox = new QGroupBox(QStringLiteral("Month and Year"));
    m_monthYearBox->setObjectName(QStringLiteral("MonthYearGroupBox"));
    m_monthCombo = new QComboBox;
    m_monthCombo->setObjectName(QStringLiteral("MonthComboBox"));
    m_monthCombo->addItems(ReportMonthNames());
    m_yearCombo = new QComboBox;
    m_yearCombo->setObjectName(QStringLiteral("YearComboBox"));
    auto *monthYear = new QHBoxLayout(m_monthYearBox);
    monthYear->addWidget(m_monthCombo);
    monthYear->addWidget(m_yearCombo);

    m_customBox = new QGroupBox(QStringLiteral("Custom Period"));
    m_customBox->setObjectName(QStringLiteral("CustomDateGroupBox"));
    m_startDate = new QDateEdit;
    m_startDate->setObjectName(QStringLiteral("DateTimePicker1"));
    m_endDate = new QDateEdit;
    m_endDate->setObjectName(QStringLiteral("DateTimePicker2"));
    auto *custom = new QFormLayout(m_customBox);
    for (QDateEdit *picker : {m_startDate, m_endDate}) {
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(ShortDateFormat());
    }
    custom->addRow(QStringLiteral("Start Date"), m_startDate);
    custom->addRow(QStringLiteral("End Date"), m_endDate);

    m_periodBoxes = new QStackedWidget;
    m_periodBoxes->setObjectName(QStringLiteral("PeriodBoxes"));
    for (QGroupBox *box : {m_accountBox, m_monthYearBox, m_customBox})
        m_periodBoxes->addWidget(box);
    m_periodBoxes->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    left->addWidget(m_periodBoxes);

    left->addWidget(new QLabel(QStringLiteral("ISP to show data for :")));
    m_ispCombo = new QComboBox;
    m_ispCombo->setObjectName(QStringLiteral("ISPComboBox"));
    left->addWidget(m_ispCombo);
    m_runningAverageCheck = new QCheckBox(QStringLiteral("Show running average on graph"));
    m_runningAverageCheck->setObjectName(QStringLiteral("CheckBox1"));
    left->addWidget(m_runningAverageCheck);
    auto *hint = new QLabel(QStringLiteral("To zoom in on an area, left click and drag a box around the area. "
                                           "To pan around, hold down the right mouse button."));
    hint->setWordWrap(true);
    left->addWidget(hint);
    left->addStretch();

    // The chart.
    m_chart = new QChart;
    m_chart->legend()->hide();
    m_barSet = new QBarSet(QString());
    m_barSet->setLabelColor(Qt::black);
    m_barSeries = new QBarSeries;
    m_barSeries->setObjectName(QStringLiteral("Series1"));
    m_barSeries->setBarWidth(0.85);
    m_barSeries->append(m_barSet);
    m_barSeries->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    m_line = new QLineSeries;
    m_line->setObjectName(QStringLiteral("Series2"));
    m_line->setColor(Qt::blue);
    m_line->setPointsVisible(true);
    m_line->setMarkerSize(3);
    m_chart->addSeries(m_barSeries);
    m_chart->addSeries(m_line);
    auto *bottomAxis = new QCategoryAxis;
    bottomAxis->setObjectName(QStringLiteral("BottomAxis"));
    bottomAxis->setGridLineVisible(false);
    bottomAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    auto *leftAxis = new QValueAxis;
    leftAxis->setTickType(QValueAxis::TicksDynamic);
    leftAxis->setLabelFormat(QStringLiteral("%g"));
    m_chart->addAxis(bottomAxis, Qt::AlignBottom);
    m_chart->addAxis(leftAxis, Qt::AlignLeft);
    for (QAbstractSeries *series : std::initializer_list<QAbstractSeries *>{m_barSeries, m_line}) {
        series->attachAxis(bottomAxis);
        series->attachAxis(leftAxis);
    }
    m_chartView = new ReportChartView(m_chart);
    m_chartView->setObjectName(QStringLiteral("Chart1"));
    m_chartView->setMinimumSize(465, 345);

    auto *middle = new QHBoxLayout;
    middle->addLayout(left, 0);
    middle->addWidget(m_chartView, 1);
    layout->addLayout(middle, 1);

    auto *statusBar = new QStatusBar;
    statusBar->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        m_statusPanels[i] = new QLabel;
        m_statusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
        m_statusPanels[i]->setFrameShape(QFrame::Panel);
        m_statusPanels[i]->setFrameShadow(QFrame::Sunken);
        m_statusPanels[i]->setMinimumWidth(200);
        statusBar->addWidget(m_statusPanels[i], i == 2 ? 1 : 0);
    }
    m_zoomOutButton = new QPushButton(QStringLiteral("Zoom &out"));
    m_zoomOutButton->setObjectName(QStringLiteral("ZoomOutButton"));
    m_closeButton = new QPushButton(QStringLiteral("&Close"));
    m_closeButton->setObjectName(QStringLiteral("CloseButton"));
    for (QPushButton *b : {m_zoomOutButton, m_closeButton})
        b->setAutoDefault(false);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(statusBar, 1);
    bottom->addWidget(m_zoomOutButton);
    bottom->addWidget(m_closeButton);
    layout->addLayout(bottom);

    // At creation: today in the pickers and the month and year lists.
    const QDate today = QDateFromDateTime(m_ctx.clock.today());
    m_startDate->setDate(today);
    m_endDate->setDate(today);
    m_yearCombo->addItems(ReportYears(today.year()));
    m_monthCombo->setCurrentIndex(today.month() - 1);
    m_yearCombo->setCurrentIndex(today.year() - 1998 < m_yearCombo->count() ? today.year() - 1998 : -1);
    m_tree->setCurrentItem(treeNode(1));

    const auto redraw = [this] {
        if (!m_creating)
            DrawReportGraph();
    };
    for (QComboBox *combo : {m_accountCombo, m_monthCombo, m_yearCombo, m_ispCombo})
        connect(combo, &QComboBox::currentIndexChanged, this, redraw);
    for (QDateEdit *picker : {m_startDate, m_endDate})
        connect(picker, &QDateEdit::dateChanged, this, redraw);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &TReportForm::onTreeSelectionChanged);
    connect(m_runningAverageCheck, &QCheckBox::toggled, m_line, &QLineSeries::setVisible);
    connect(m_zoomOutButton, &QPushButton::clicked, m_chartView, &ReportChartView::resetZoom);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);
    m_creating = false;
}

TReportForm::~TReportForm() = default;

void TReportForm::buildMenus(QVBoxLayout *layout)
{
    auto *menuBar = new QMenuBar;
    QMenu *file = menuBar->addMenu(QStringLiteral("&File"));
    QMenu *exportAs = file->addMenu(QStringLiteral("&Export as..."));
    const auto exportItem = [&](const char *name, const QString &text, PictureFormat format) {
        QAction *item = exportAs->addAction(text);
        item->setObjectName(QLatin1String(name));
        connect(item, &QAction::triggered, this, [this, format] { exportPicture(format); });
    };
    exportItem("ExportBitmapItem", QStringLiteral("&Bitmap"), PictureFormat::Bitmap);
    exportItem("ExportSvgItem", QStringLiteral("&Scalable Vector Graphic (SVG)"), PictureFormat::Svg);
    exportItem("ExportPdfItem", QStringLiteral("&Portable Document (PDF)"), PictureFormat::Pdf);
    file->addSeparator();
    QAction *close = file->addAction(QStringLiteral("&Close"));
    close->setObjectName(QStringLiteral("CloseItem"));
    connect(close, &QAction::triggered, this, &QDialog::accept);

    QMenu *edit = menuBar->addMenu(QStringLiteral("&Edit"));
    m_graphSetupItem = edit->addAction(QStringLiteral("&Graph Setup"));
    m_graphSetupItem->setObjectName(QStringLiteral("GraphSetupItem"));
    connect(m_graphSetupItem, &QAction::triggered, this,
            [this] { m_ctx.ui.showWindow(UiWindow::ReportSettings); });
    // The settings dialog recolours the graph as colours are picked, and
    // applies the rest of its look when confirmed.
    connect(&m_ctx.events, &EngineEvents::graphColoursPicked, this, [this](int start, int finish, int series) {
        applyChartLook(start, finish, series);
    });
    connect(&m_ctx.events, &EngineEvents::settingsApplied, this, [this] {
        applyChartLook();
        DrawReportGraph();
    });

    QMenu *help = menuBar->addMenu(QStringLiteral("&Help"));
    QAction *helpItem = help->addAction(QStringLiteral("Tallyline reports &help"));
    helpItem->setObjectName(QStringLiteral("ReportsHelpItem"));
    connect(helpItem, &QAction::triggered, this, [this] { m_ctx.ui.showHelp(QStringLiteral("IDH_reports")); });
    layout->setMenuBar(menuBar);
}

void TReportForm::buildTree()
{
    m_tree = new QTreeWidget;
    m_tree->setObjectName(QStringLiteral("TreeView1"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(false);
    m_tree->setItemsExpandable(false);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    const auto header = [this](const QString &text) {
        auto *item = new QTreeWidgetItem(m_tree, {text});
        item->setData(0, ViewRole, -1);
        return item;
    };
    const auto child = [](QTreeWidgetItem *parent, const QString &text, int view) {
        auto *item = new QTreeWidgetItem(parent, {text});
        item->setData(0, ViewRole, view);
    };
    QTreeWidgetItem *totals = header(QStringLiteral("Graph Totals"));
    child(totals, QStringLiteral("Total for selected account"), ReportSelectedAccount);
    child(totals, QStringLiteral("Total for selected month"), ReportSelectedMonth);
    child(totals, QStringLiteral("Total for selected year"), ReportSelectedYear);
    child(totals, QStringLiteral("Total for custom time period"), ReportCustomPeriod);
    QTreeWidgetItem *averages = header(QStringLiteral("Graph Averages"));
    child(averages, QStringLiteral("Through the week for account period"), ReportWeekOfAccount);
    child(averages, QStringLiteral("Through the week for custom period"), ReportWeekOfCustomPeriod);
    m_tree->expandAll();
    int widest = 0;
    for (QTreeWidgetItem *top : {totals, averages})
        for (int i = 0; i < top->childCount(); ++i)
            widest = std::max(widest, m_tree->fontMetrics().horizontalAdvance(top->child(i)->text(0)));
    m_tree->setMinimumWidth(widest + m_tree->indentation() + 2 * m_tree->frameWidth() + 16);
    m_tree->setFixedHeight(m_tree->sizeHintForRow(0) * 8 + 2 * m_tree->frameWidth() + 4);
}

QTreeWidgetItem *TReportForm::treeNode(int index) const
{
    if (index < 0 || index > 7)
        return nullptr;
    QTreeWidgetItem *top = m_tree->topLevelItem(index < 5 ? 0 : 1);
    const int offset = index < 5 ? index : index - 5;
    return offset == 0 ? top : top->child(offset - 1);
}

void TReportForm::onTreeSelectionChanged()
{
    if (m_movingSelection)
        return;
    QTreeWidgetItem *item = m_tree->currentItem();
    if (!item)
        return;
    // A header stands for its first view.
    if (item->data(0, ViewRole).toInt() < 0 && item->childCount() > 0) {
        m_movingSelection = true;
        m_tree->setCurrentItem(item->child(0));
        m_movingSelection = false;
        item = item->child(0);
    }
    m_periodKind = item->data(0, ViewRole).toInt();
    if (!m_creating)
        DrawReportGraph();
}

void TReportForm::prepare()
{
    PROCEDURE_GUARD(m_ctx, "Report", "FormShow");
    m_creating = true;
    setWindowTitle(QStringLiteral("Tallyline report for user : ") + m_ctx.login.CurrentUserName);
    m_tree->expandAll();
    m_ispCombo->clear();
    m_ispCombo->addItems(IspFilterEntries(m_ctx));
    m_ispCombo->setCurrentIndex(m_ispCombo->count() > 0 ? 0 : -1);
    m_periods = FillAccountComboBox(m_ctx);
    m_accountCombo->clear();
    m_accountCombo->addItems(m_periods.texts);
    m_accountCombo->setCurrentIndex(m_periods.selected);
    m_runningAverageCheck->setChecked(true);
    m_line->setVisible(true);
    applyChartLook();
    const int type = AccountTypeStringToInteger(ReadUserRecord(m_ctx.store, m_ctx.login.CurrentUser).accountType);
    m_movingSelection = true;
    if (type == AccountQuarterly || type == AccountYearly) {
        m_tree->setCurrentItem(treeNode(2));
        m_periodKind = ReportSelectedMonth;
    } else {
        m_tree->setCurrentItem(treeNode(1));
        m_periodKind = ReportSelectedAccount;
    }
    m_movingSelection = false;
    m_creating = false;
    DrawReportGraph();
}

// The settings' look: colours, background, value marks, animation, 3D.
void TReportForm::applyChartLook()
{
    const Settings &s = m_ctx.settings;
    applyChartLook(s.StartGraphColor, s.FinishGraphColor, s.GraphSeriesColor);
}

void TReportForm::applyChartLook(int startColour, int finishColour, int seriesColour)
{
    const Settings &s = m_ctx.settings;
    const QColor barColor = storedColor(seriesColour);
    if (s.DisplayGraphAs3D) {
        // Qt Charts draws flat bars: the 3D look is bars shaded as a lit
        // column, a darker edge and a shadow under the chart.
        QLinearGradient shade(0, 0, 1, 0);
        shade.setCoordinateMode(QGradient::ObjectMode);
        shade.setColorAt(0, barColor.lighter(125));
        shade.setColorAt(0.6, barColor);
        shade.setColorAt(1, barColor.darker(160));
        m_barBrush = shade;
        m_barSet->setBorderColor(barColor.darker(200));
    } else {
        m_barBrush = barColor;
        m_barSet->setBorderColor(barColor.darker(140));
    }
    m_barSet->setBrush(m_barBrush);
    m_chart->setDropShadowEnabled(s.DisplayGraphAs3D);
    m_barSeries->setLabelsVisible(s.ShowValueMarkers);
    m_chart->setAnimationOptions(s.AnimatedZoom ? QChart::GridAxisAnimations : QChart::NoAnimation);
    if (s.FillGraphBackground) {
        m_chart->setBackgroundBrush(Qt::NoBrush);
        m_chartView->setBackgroundBrush(Qt::white);
        QSvgRenderer picture(QStringLiteral(":/icons/tallyline.svg"));
        QPixmap pixmap(220, 220);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setOpacity(0.18);
        picture.render(&painter);
        painter.end();
        m_chartView->setBackgroundPicture(pixmap);
    } else {
        QLinearGradient gradient(0, 0, 0, 1);
        gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
        gradient.setColorAt(0, storedColor(startColour));
        gradient.setColorAt(1, storedColor(finishColour));
        m_chart->setBackgroundBrush(gradient);
        m_chartView->setBackgroundPicture(QPixmap());
    }
}

GraphRequest TReportForm::request() const
{
    GraphRequest r;
    r.periodKind = m_periodKind;
    r.infoKind = m_infoKind;
    // The "All " entry, or none, spans every period.
    const int entry = m_accountCombo->currentIndex();
    r.account = PeriodListSpan(m_periods, entry > 0 ? entry : 0);
    r.month = m_monthCombo->currentIndex() + 1;
    bool ok = false;
    r.year = m_yearCombo->currentText().toInt(&ok);
    if (!ok)
        r.year = 1998;
    r.customStart = DateTimeFromQDate(m_startDate->date());
    r.customEnd = DateTimeFromQDate(m_endDate->date());
    if (m_ispCombo->currentIndex() > 0)
        r.ispFilter = m_ispCombo->currentText();
    return r;
}

QString TReportForm::periodText() const
{
    switch (m_periodKind) {
    case ReportSelectedAccount:
    case ReportWeekOfAccount:
        return m_accountCombo->currentText();
    case ReportSelectedMonth:
        return m_monthCombo->currentText();
    case ReportSelectedYear:
        return m_yearCombo->currentText();
    default:
        return FormatShortDate(DateTimeFromQDate(m_startDate->date())) + QStringLiteral(" to ") +
               FormatShortDate(DateTimeFromQDate(m_endDate->date()));
    }
}

void TReportForm::DrawReportGraph()
{
    PROCEDURE_GUARD(m_ctx, "Report", "DrawReportGraph");
    HourglassCursor busy;
    m_monthCombo->setEnabled(true);
    m_yearCombo->setEnabled(true);
    if (!m_ctx.login.LoggedIn)
        return;
    const int box = m_periodKind == ReportSelectedAccount || m_periodKind == ReportWeekOfAccount ? 0
                    : m_periodKind == ReportSelectedMonth || m_periodKind == ReportSelectedYear  ? 1
                                                                                                  : 2;
    m_periodBoxes->setCurrentIndex(box);
    if (m_periodKind == ReportSelectedYear)
        m_monthCombo->setEnabled(false);
    auto *bottomAxis = static_cast<QCategoryAxis *>(m_chart->axes(Qt::Horizontal).constFirst());
    auto *leftAxis = static_cast<QValueAxis *>(m_chart->axes(Qt::Vertical).constFirst());
    bottomAxis->setTitleText(ReportBottomAxisTitle(m_periodKind));

    m_chartView->resetZoom();
    m_chart->setTitle(QString());
    m_barSet->remove(0, m_barSet->count());
    m_line->clear();

    leftAxis->setTitleText(ReportLeftAxisTitle(m_ctx, m_infoKind));
    m_chart->setTitle(ReportTitlePrefix(m_periodKind, m_infoKind) + periodText());
    m_data = LoadGraphData(m_ctx, request());

    double top = 0;
    QList<QPointF> points;
    for (int i = 0; i < m_data.bars.size(); ++i) {
        top = std::max({top, m_data.bars[i], m_data.line[i]});
        points.append(QPointF(i, m_data.line[i]));
    }
    m_barSet->append(m_data.bars);
    // Years of days: the edges of the bars would be all that shows.
    // Years of days make bars narrower than a pixel: drawn without edges
    // and in a solid, deeper shade, they still show.
    const bool hairlines = m_data.bars.size() > 200;
    QPen edge = m_barSet->pen();
    edge.setStyle(hairlines ? Qt::NoPen : Qt::SolidLine);
    m_barSet->setPen(edge);
    m_barSet->setBrush(hairlines ? QBrush(storedColor(m_ctx.settings.GraphSeriesColor).darker(160)) : m_barBrush);
    m_line->replace(points);
    const double step = axisStep(ReportAxisIncrement(m_infoKind), top);
    leftAxis->setTickInterval(step);
    leftAxis->setTickAnchor(0);
    leftAxis->setRange(0, top > 0 ? std::ceil(top * 1.05 / step) * step : step);

    applyBottomLabels();
    const QStringList status = ReportStatusTexts(m_ctx, m_data);
    for (int i = 0; i < 3; ++i)
        m_statusPanels[i]->setText(status[i]);
    m_chartView->resetZoom();
}

// As many bucket labels as the axis has room for: every label when they
// fit, else every second, fifth, tenth... one, turned upright when the
// buckets are many.
void TReportForm::applyBottomLabels()
{
    auto *axis = static_cast<QCategoryAxis *>(m_chart->axes(Qt::Horizontal).constFirst());
    for (const QString &label : axis->categoriesLabels())
        axis->remove(label);
    const int count = int(m_data.labels.size());
    axis->setRange(-0.5, std::max(count, 1) - 0.5);
    if (count == 0)
        return;
    const QFontMetrics metrics(axis->labelsFont());
    int widest = 0;
    for (const QString &label : m_data.labels)
        widest = std::max(widest, metrics.horizontalAdvance(label));
    const bool upright = count > 16;
    const int room = upright ? 2 * metrics.height() : widest + 6;
    const double width = std::max(100.0, m_chart->plotArea().width() > 0 ? m_chart->plotArea().width()
                                                                         : m_chartView->width() - 120.0);
    int step = 1;
    static constexpr int steps[] = {1, 2, 5, 7, 10, 14};
    for (int candidate : steps) {
        step = candidate;
        if (count / double(candidate) * room <= width)
            break;
    }
    axis->setLabelsAngle(upright ? -90 : 0);
    // Labels must differ on this axis: a repeated one gets invisible marks.
    QHash<QString, int> repeats;
    const auto put = [&](const QString &label, int bucket) {
        axis->append(label + QString(repeats[label]++, QChar(0x200B)), bucket);
    };
    const bool dayView = m_periodKind == ReportSelectedAccount || m_periodKind == ReportSelectedMonth ||
                         m_periodKind == ReportCustomPeriod;
    if (!dayView || count / double(step) * room <= width) {
        for (int i = 0; i < count; i += step)
            put(m_data.labels[i], i);
        return;
    }
    // Months or years of days: the first of every month (or of every few
    // months, or of every year) with its month and year.
    const QDate first = QDateFromDateTime(m_data.firstDay);
    const int months = int(std::ceil(count / 30.4 * room / width));
    const int stride = months <= 1 ? 1 : months <= 2 ? 2 : months <= 3 ? 3 : months <= 6 ? 6 : 12 * ((months + 11) / 12);
    for (int i = 0; i < count; ++i) {
        const QDate date = first.addDays(i);
        if (date.day() == 1 && (date.month() - 1) % std::min(stride, 12) == 0 &&
            (stride <= 12 || date.year() % (stride / 12) == 0))
            put(QLocale().toString(date, stride >= 12 ? QStringLiteral("yyyy") : QStringLiteral("MMM yy")), i);
    }
}

void TReportForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (!m_data.labels.isEmpty())
        applyBottomLabels();
}

bool TReportForm::saveGraph(const QString &path, PictureFormat format)
{
    PROCEDURE_GUARD(m_ctx, "Report", "ExportClick");
    const QSize size = m_chartView->size();
    switch (format) {
    case PictureFormat::Bitmap:
        return m_chartView->grab().save(path, "BMP");
    case PictureFormat::Svg: {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(m_chart->title());
        QPainter painter;
        if (!painter.begin(&svg))
            return false;
        m_chartView->render(&painter);
        return painter.end();
    }
    case PictureFormat::Pdf: {
        QPdfWriter pdf(path);
        pdf.setTitle(m_chart->title());
        pdf.setPageSize(QPageSize(QSizeF(size.width(), size.height()), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(72);
        QPainter painter;
        if (!painter.begin(&pdf))
            return false;
        m_chartView->render(&painter);
        return painter.end();
    }
    }
    return false;
}

void TReportForm::exportPicture(PictureFormat format)
{
    const char *suffix = format == PictureFormat::Bitmap ? "bmp" : format == PictureFormat::Svg ? "svg" : "pdf";
    QFileDialog dialog(this, QStringLiteral("Save report graph as"));
    dialog.setObjectName(QStringLiteral("SaveGraphDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QStringLiteral("Graphic (*.BMP *.SVG *.PDF *.bmp *.svg *.pdf)"));
    dialog.setDefaultSuffix(QLatin1String(suffix));
    dialog.selectFile(QStringLiteral("Tallyline Report Graph.") + QLatin1String(suffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    if (!saveGraph(path, format))
        m_ctx.ui.showMessage(MessageKind::Error, QStringLiteral("The graph could not be saved to \"%1\".").arg(path));
}
