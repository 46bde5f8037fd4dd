#pragma once

#include "account_window/AccountPeriodList.h"
#include "core/DateTime.h"

#include <QList>
#include <QString>
#include <QStringList>

struct AppContext;

// The period views of the report window, in the order of its tree.
enum ReportPeriodKind {
    ReportSelectedAccount = 0,
    ReportSelectedMonth = 1,
    ReportSelectedYear = 2,
    ReportCustomPeriod = 3,
    ReportWeekOfAccount = 4,
    ReportWeekOfCustomPeriod = 5,
};
// The information kinds of its tool buttons.
enum ReportInfoKind {
    ReportTimeOnline = 0,
    ReportOnlineCost = 1,
    ReportDownloaded = 2,
    ReportUploaded = 3,
    ReportAverageDownload = 4,
    ReportAverageUpload = 5,
};
constexpr int ReportKindCount = 6;

// What one redraw asks for.
struct GraphRequest {
    int periodKind = ReportSelectedAccount;
    int infoKind = ReportTimeOnline;
    AccountPeriod account;          // views 0 and 4: start <= day < end
    int month = 1;                  // view 1
    int year = 1998;                // views 1 and 2
    DateTime customStart = 0;       // views 3 and 5: both days included
    DateTime customEnd = 0;
    QString ispFilter;              // empty: every ISP ("All ISP's")
};

// The bars, the running average and the totals over the walked days.
struct GraphData {
    QStringList labels;
    QList<double> bars;
    QList<double> line;
    DateTime firstDay = 0;     // day views: the day of the first bucket (the others follow it)
    qint64 connections = 0;    // every session of the walked days, whatever the filter
    qint64 seconds = 0;        // the included sessions only
    double cost = 0;
};

// The computation behind the report window, over the logged-in user's
// session records, read in one query for the whole range. A day without
// sessions is a bucket of its own. Day ranges have no length limit.
GraphData LoadGraphData(AppContext &ctx, const GraphRequest &request);

// The session field code an information kind reads.
int ReportFieldCode(int infoKind);
// The divisor that turns the stored unit into the axis unit.
double ReportUnitDivisor(int infoKind);
double ReportAxisIncrement(int infoKind);
QString ReportLeftAxisTitle(const AppContext &ctx, int infoKind);
QString ReportBottomAxisTitle(int periodKind);
QString ReportTitlePrefix(int periodKind, int infoKind);
// The caption of an information kind's tool button.
QString ReportInfoCaption(int infoKind);

// The month list as the window shows it (with its own spelling).
QStringList ReportMonthNames();
// The year list: "1998" on, to 2009 or to the current year when later.
QStringList ReportYears(int currentYear);
// The status-bar texts of the totals.
QStringList ReportStatusTexts(const AppContext &ctx, const GraphData &data);
