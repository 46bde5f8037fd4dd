// The reports over twenty years of eight sessions a day (58,400 sessions):
// the graph of one year by month, the graph of the "All" account entry (every
// day of twenty years) and its weekday averages, and the export text of
// that same span.
#include "account_window/AccountPeriodList.h"
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/RecordingUi.h"
#include "reports/ReportGraph.h"
#include "reports/SessionListing.h"
#include "store/Store.h"

#include "BenchSeed.h"
#include "BenchTiming.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

constexpr int Days = 20 * 365;
constexpr int Runs = 7;

void measure(const char *what, const std::function<int()> &run)
{
    std::vector<double> times;
    int size = 0;
    for (int i = 0; i < Runs; ++i) {
        const double start = bench::threadCpuUs();
        size = run();
        times.push_back(bench::threadCpuUs() - start);
    }
    std::printf("%-34s %7d buckets/lines  %8.2f ms\n", what, size, bench::median(times) / 1000);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::unique_ptr<Store> store = Store::open(dir.filePath(QString::fromLatin1(Store::DefaultFileName)));
    bench::seedUser(*store, false);
    bench::seedHistory(*store, Days);

    FakeClock clock(QDateTime(QDate(2019, 12, 20), QTime(12, 0)));
    RecordingUi ui;
    AppContext ctx(*store, clock, ui);
    ctx.login.CurrentUser = 1;
    ctx.login.LoggedIn = true;
    ctx.login.CurrentUserName = QStringLiteral("Admin");
    ctx.currencySymbol = QStringLiteral("\u00a3");
    const AccountPeriodList periods = FillAccountComboBox(ctx);

    for (int kind : {int(ReportTimeOnline), int(ReportAverageDownload)}) {
        GraphRequest year;
        year.periodKind = ReportSelectedYear;
        year.infoKind = kind;
        year.year = 2010;
        measure(kind == ReportTimeOnline ? "year 2010, time online" : "year 2010, average download",
                [&] { return int(LoadGraphData(ctx, year).bars.size()); });
    }
    GraphRequest all;
    all.periodKind = ReportSelectedAccount;
    all.account = periods.periods[0];
    measure("\"All Months\", time online", [&] { return int(LoadGraphData(ctx, all).bars.size()); });
    all.ispFilter = QStringLiteral("Default");
    measure("\"All Months\", time online, Default", [&] { return int(LoadGraphData(ctx, all).bars.size()); });
    all.ispFilter.clear();
    all.periodKind = ReportWeekOfAccount;
    measure("\"All Months\" through the week", [&] { return int(LoadGraphData(ctx, all).bars.size()); });
    measure("export text of \"All Months\"", [&] {
        return int(SessionExportLines(ctx, periods.texts[0], periods.periods[0]).size());
    });
    return 0;
}
