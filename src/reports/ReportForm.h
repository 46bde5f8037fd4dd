#pragma once

#include "account_window/AccountPeriodList.h"
#include "reports/ReportGraph.h"

#include <QBrush>
#include <QDialog>

#include <array>

class QAction;
class QBarSeries;
class QBarSet;
class QChart;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class ReportChartView;
struct AppContext;

// "Tallyline report for user : ...": one bar chart of the logged-in user's
// sessions per day, month or weekday, with its running average, zoom, pan
// and export as a picture.
class TReportForm : public QDialog
{
    Q_OBJECT

public:
    enum class PictureFormat { Bitmap, Svg, Pdf };

    explicit TReportForm(AppContext &ctx, QWidget *parent = nullptr);
    ~TReportForm() override;

    // What showing does: caption, lists, chart look, the opening view and
    // the first drawing.
    void prepare();
    // Draws the chart again for the chosen view, kind, period and ISP.
    void DrawReportGraph();
    // Writes the chart as a picture.
    bool saveGraph(const QString &path, PictureFormat format);

    int reportPeriodKind() const { return m_periodKind; }
    int reportInfoKind() const { return m_infoKind; }
    const GraphData &graphData() const { return m_data; }

    QTreeWidget *tree() const { return m_tree; }
    // The tree's nodes by their absolute index (0 to 7).
    QTreeWidgetItem *treeNode(int index) const;
    QAction *infoButton(int kind) const { return m_infoButtons[kind]; }
    QComboBox *accountCombo() const { return m_accountCombo; }
    QComboBox *monthCombo() const { return m_monthCombo; }
    QComboBox *yearCombo() const { return m_yearCombo; }
    QDateEdit *startDateEdit() const { return m_startDate; }
    QDateEdit *endDateEdit() const { return m_endDate; }
    QComboBox *ispCombo() const { return m_ispCombo; }
    QCheckBox *runningAverageCheck() const { return m_runningAverageCheck; }
    QStackedWidget *periodBoxes() const { return m_periodBoxes; }
    QChart *chart() const { return m_chart; }
    ReportChartView *chartView() const { return m_chartView; }
    QBarSet *bars() const { return m_barSet; }
    QLineSeries *averageLine() const { return m_line; }
    QLabel *statusPanel(int index) const { return m_statusPanels[index]; }
    QPushButton *zoomOutButton() const { return m_zoomOutButton; }
    QPushButton *closeButton() const { return m_closeButton; }
    QAction *graphSetupItem() const { return m_graphSetupItem; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyBottomLabels();
    void buildMenus(class QVBoxLayout *layout);
    void buildTree();
    void applyChartLook();
    void applyChartLook(int startColour, int finishColour, int seriesColour);
    void onTreeSelectionChanged();
    void exportPicture(PictureFormat format);
    QString periodText() const;
    GraphRequest request() const;

    AppContext &m_ctx;
    AccountPeriodList m_periods;
    GraphData m_data;
    int m_periodKind = ReportSelectedAccount;
    int m_infoKind = ReportTimeOnline;
    // No drawing while the form is being made; the tree ignores the
    // selection changes it makes itself.
    bool m_creating = true;
    bool m_movingSelection = false;

    QTreeWidget *m_tree = nullptr;
    std::array<QAction *, ReportKindCount> m_infoButtons{};
    QStackedWidget *m_periodBoxes = nullptr;
    QGroupBox *m_accountBox = nullptr;
    QGroupBox *m_monthYearBox = nullptr;
    QGroupBox *m_customBox = nullptr;
    QComboBox *m_accountCombo = nullptr;
    QComboBox *m_monthCombo = nullptr;
    QComboBox *m_yearCombo = nullptr;
    QDateEdit *m_startDate = nullptr;
    QDateEdit *m_endDate = nullptr;
    QComboBox *m_ispCombo = nullptr;
    QCheckBox *m_runningAverageCheck = nullptr;
    QChart *m_chart = nullptr;
    ReportChartView *m_chartView = nullptr;
    QBarSeries *m_barSeries = nullptr;
    QBarSet *m_barSet = nullptr;
    QBrush m_barBrush;
    QLineSeries *m_line = nullptr;
    std::array<QLabel *, 3> m_statusPanels{};
    QPushButton *m_zoomOutButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QAction *m_graphSetupItem = nullptr;
};
