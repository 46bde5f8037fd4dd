#pragma once

#include "account_window/AccountPeriodList.h"
#include "core/DateTime.h"

#include <QList>
#include <QString>
#include <QStringList>

struct AppContext;

// One session of a listing, with the running total of the sessions listed
// before it and itself.
struct SessionListingLine {
    DateTime day = 0;
    DateTime startTime = 0;
    DateTime endTime = 0;
    qint64 secondsOnline = 0;   // rounded to whole seconds
    double cost = 0;
    double listTotal = 0;
    QString connection;         // as stored; empty when it has none
};

// The logged-in user's sessions filed under span.start <= day < span.end,
// day by day in record order. With an ISP filter, only sessions whose
// connection (an empty one read as "Default") equals it in any letter case;
// the running total counts the listed sessions only.
QList<SessionListingLine> ReadSessionListing(AppContext &ctx, const AccountPeriod &span,
                                             const QString &ispFilter = QString());

// The span of an entry of a period list; entry 0 already covers every
// period. An entry outside the list gives an empty span.
AccountPeriod PeriodListSpan(const AccountPeriodList &list, int entry);

// The text file of "Export Session Info...": the head, then one line per
// session. Lines are joined and ended by CR LF.
QStringList SessionExportLines(AppContext &ctx, const QString &periodText, const AccountPeriod &span);
QByteArray SessionExportText(const QStringList &lines);
// Writes the export to path (created or overwritten). A file that cannot be
// opened or written raises the error.
void WriteSessionExport(AppContext &ctx, const QString &path, const QString &periodText, const AccountPeriod &span);
// The name the save dialog proposes.
QString SessionExportFileName(const QString &userName);

// The printout of "Print Session Information" as data: its texts and the
// positions on an A4 portrait page, in millimetres inside 10 mm margins.
struct SessionPrintout {
    QString title;
    QString period;
    QStringList lines;   // one memo line per session

    static QStringList headings();        // "Date", "Start time", ... "ISP"
    static QList<double> headingLefts();  // their left edges
};

namespace PrintoutLayout {
constexpr double PageMargin = 10.0;
constexpr double TitleLeft = 4.0, TitleTop = 6.6;
constexpr double PeriodLeft = 4.0, PeriodTop = 19.5;
constexpr double PageNumberLeft = 83.7, PageNumberTop = 1.0;
constexpr double HeadingTop = 31.75;
constexpr double RuleLeft = 4.0, RuleTop = 38.0, RuleWidth = 177.6;
constexpr double HeaderBandHeight = 41.0;
constexpr double BodyWidth = 186.2;
constexpr int TitlePointSize = 18, PeriodPointSize = 12, PageNumberPointSize = 10, HeadingPointSize = 12,
              BodyPointSize = 10;
} // namespace PrintoutLayout

// "Tallyline Session Information for User : " + the user's name.
QString SessionListingTitle(const QString &userName);
// "Page - 3".
QString PrintoutPageNumberText(int page);

// The printout's lines for the span, filtered by the ISP list's entry
// (entry 0, "All ISP's", lists every session).
SessionPrintout BuildSessionPrintout(AppContext &ctx, const QString &periodText, const AccountPeriod &span,
                                     int ispEntry, const QString &ispText);
