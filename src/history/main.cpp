// tallyline-history: fills a data directory with made-up session history.
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/Errors.h"
#include "platform/InstanceLock.h"
#include "session/HistoryGenerator.h"
#include "store/Store.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {

// Nothing here asks anything; what would be shown goes to stderr.
class ConsoleUi : public Ui
{
public:
    void showMessage(MessageKind, const QString &text) override { QTextStream(stderr) << text << '\n'; }
    bool confirm(const QString &text) override
    {
        showMessage(MessageKind::Confirmation, text);
        return false;
    }
};

bool readNumber(const QCommandLineParser &parser, const QCommandLineOption &option, qint64 low, qint64 high,
                qint64 &value, QString &error)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    value = parser.value(option).toLongLong(&ok);
    if (!ok || value < low || value > high) {
        error = QStringLiteral("--%1 must be a whole number from %2 to %3")
                    .arg(option.names().constFirst())
                    .arg(low)
                    .arg(high);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallyline-history"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Fills a Tallyline data directory with made-up session history: YEARS years of\n"
        "SESSIONS sessions a day for each of USERS users, ending on the --end day.\n"
        "Missing users are created as the setup wizard creates them (user 1 \"Admin\",\n"
        "then \"User2\", \"User3\", ...), with monthly accounts billed on the 1st;\n"
        "existing users, and days that already have sessions, are left as they are.\n"
        "Tallyline must not be running on the directory."));
    parser.addHelpOption();
    const QCommandLineOption dataDir(QStringLiteral("data-dir"), QStringLiteral("The data directory to fill."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption years(QStringLiteral("years"), QStringLiteral("Years of history (default 1)."),
                                   QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption perDay(QStringLiteral("sessions-per-day"),
                                    QStringLiteral("Sessions on each day (default 8)."), QStringLiteral("M"),
                                    QStringLiteral("8"));
    const QCommandLineOption users(QStringLiteral("users"), QStringLiteral("Users with history (default 1)."),
                                   QStringLiteral("K"), QStringLiteral("1"));
    const QCommandLineOption end(QStringLiteral("end"),
                                 QStringLiteral("The last day with sessions, yyyy-mm-dd (default yesterday)."),
                                 QStringLiteral("DATE"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("The same seed makes the same history (default 1)."),
                                  QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("Password of the users created (default \"tallyline\")."),
                                      QStringLiteral("PASSWORD"), QStringLiteral("tallyline"));
    parser.addOptions({dataDir, years, perDay, users, end, seed, password});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!parser.isSet(dataDir) || parser.value(dataDir).isEmpty()) {
        err << "tallyline-history: --data-dir is required\n\n" << parser.helpText();
        return 2;
    }
    HistoryOptions options;
    qint64 n = 1, m = 8, k = 1, s = 1;
    QString error;
    if (!readNumber(parser, years, 1, 200, n, error) || !readNumber(parser, perDay, 1, 1440, m, error)
        || !readNumber(parser, users, 1, 1000, k, error) || !readNumber(parser, seed, 0, Q_INT64_C(0x7fffffffffffffff), s, error)) {
        err << "tallyline-history: " << error << '\n';
        return 2;
    }
    options.years = int(n);
    options.sessionsPerDay = int(m);
    options.users = int(k);
    options.seed = quint64(s);
    options.password = parser.value(password);

    LocalClock clock;
    QDate last = clock.now().date().addDays(-1);
    if (parser.isSet(end)) {
        last = QDate::fromString(parser.value(end), Qt::ISODate);
        if (!last.isValid() || last.year() < 1900 || last.year() > 9999) {
            err << "tallyline-history: --end must be a date written yyyy-mm-dd\n";
            return 2;
        }
    }
    options.lastDay = DateTimeFromQDate(last);

    const QString directory = QDir(parser.value(dataDir)).absolutePath();
    if (!QDir().mkpath(directory)) {
        err << "tallyline-history: cannot create " << directory << '\n';
        return 1;
    }
    // The program keeps its settings in memory and writes them on exit: it
    // must not be running on the directory meanwhile.
    InstanceLock lock(directory);
    if (lock.acquire() != InstanceLock::Result::Acquired) {
        err << "tallyline-history: Tallyline is running on " << directory << " (or the directory is not writable)\n";
        return 1;
    }

    try {
        std::unique_ptr<Store> store = Store::open(QDir(directory).filePath(QString::fromLatin1(Store::DefaultFileName)));
        ConsoleUi ui;
        AppContext ctx(*store, clock, ui);
        ctx.startup.programDirectory = directory + QLatin1Char('/');
        ctx.startup.dataDirectoryArgument = directory;
        const HistoryResult result = GenerateHistory(ctx, options);
        out << "tallyline-history: " << result.sessionsWritten << " sessions from "
            << QDateFromDateTime(result.firstDay).toString(Qt::ISODate) << " to " << last.toString(Qt::ISODate)
            << " for " << options.users << (options.users == 1 ? " user" : " users") << " (" << result.usersCreated
            << " created) in " << directory << '\n';
    } catch (const TallylineError &e) {
        err << "tallyline-history: " << e.message() << '\n';
        return 1;
    } catch (const std::exception &e) {
        err << "tallyline-history: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
