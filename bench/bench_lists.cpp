// The account window's lists over twenty years of eight sessions a day
// (58,400 sessions): the period list, and a rebuild of the session and the
// performance list for one account period and for "All", with the texts of
// one screenful of rows made as a view would ask for them.
#include "account_window/AccountPeriodList.h"
#include "account_window/SessionLists.h"
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/RecordingUi.h"
#include "store/Store.h"

#include "BenchSeed.h"
#include "BenchTiming.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int Days = 20 * 365;
constexpr int Runs = 7;
constexpr int ScreenRows = 40;

// A view shows the last rows after a rebuild.
void readScreenful(const QAbstractItemModel &model)
{
    const int rows = model.rowCount();
    for (int row = std::max(0, rows - ScreenRows); row < rows; ++row)
        for (int column = 0; column < model.columnCount(); ++column)
            model.data(model.index(row, column));
}

template <typename Model>
void measure(Model &model, const char *list, const char *what, const AccountPeriod &period)
{
    std::vector<double> rebuilt;
    std::vector<double> shown;
    for (int run = 0; run < Runs; ++run) {
        double start = bench::threadCpuUs();
        model.rebuild(period.start, period.end, QString());
        rebuilt.push_back(bench::threadCpuUs() - start);
        start = bench::threadCpuUs();
        readScreenful(model);
        shown.push_back(bench::threadCpuUs() - start);
    }
    std::printf("%-12s %-14s %6d rows  rebuild %8.2f ms  texts of %d rows %6.2f ms\n", list, what, model.rowCount(),
                bench::median(rebuilt) / 1000, ScreenRows, bench::median(shown) / 1000);
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
    ctx.currencySymbol = QStringLiteral("\u00a3");

    std::vector<double> filled;
    AccountPeriodList periods;
    for (int run = 0; run < Runs; ++run) {
        const double start = bench::threadCpuUs();
        periods = FillAccountComboBox(ctx);
        filled.push_back(bench::threadCpuUs() - start);
    }
    std::printf("period list  %d entries  %8.2f ms\n", int(periods.texts.size()), bench::median(filled) / 1000);

    SessionListModel sessions(ctx);
    PerformanceListModel performance(ctx);
    const AccountPeriod &current = periods.periods.last();
    const AccountPeriod &all = periods.periods.first();
    measure(sessions, "sessions", "one month", current);
    measure(sessions, "sessions", "all months", all);
    measure(performance, "performance", "one month", current);
    measure(performance, "performance", "all months", all);
    ctx.settings.SeperateDays = false;
    measure(sessions, "sessions", "all, no gaps", all);
    return 0;
}
