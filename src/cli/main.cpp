// tallyline-cli: read-only queries on a Tallyline data directory, safe
// while the tray program runs on it.
#include "app/BuildInfo.h"
#include "app/Startup.h"
#include "cli/Queries.h"
#include "cli/Report.h"
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/Errors.h"
#include "store/SettingsRecord.h"
#include "store/Store.h"
#include "tariff/Formatting.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTextStream>

namespace {

enum ExitStatus {
    Success = 0,
    Failure = 1,
    UsageFailure = 2,
    NoDatabase = 3,
    DatabaseLocked = 4,
    UnknownUser = 5,
};

// How long a query waits for another program's exclusive lock. Readers are
// not kept out by the tray program's ordinary writes, only by a lock that
// shuts out everybody (a repair, an exclusive-mode connection).
constexpr int ReadBusyTimeoutMs = 1000;

const char *const Description =
    "Read-only queries on Tallyline's database: the sessions, totals and bill\n"
    "of a user. Safe while Tallyline runs: nothing is written, and a query sees\n"
    "the last committed state.\n"
    "\n"
    "Commands:\n"
    "  sessions  A user's sessions in an account period (--period) or in a range\n"
    "            of days (--from and --to, both included). Default: the current\n"
    "            period.\n"
    "  totals    Today's totals, the current account period's, and the period's\n"
    "            per connection.\n"
    "  bill      The bill's statistics for an account period (--period).\n"
    "\n"
    "Periods are numbered as the account window lists them: 1 is the period\n"
    "holding the day the user was created. --period takes current, previous,\n"
    "all, or a number.\n"
    "Without --user, the user logged in last (or the only user) is shown, and\n"
    "the choice is named on stderr.\n"
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  1  the database could not be read (not a Tallyline database, damaged)\n"
    "  2  usage error: unknown command or option, bad date, range or period\n"
    "  3  no Tallyline database in the data directory\n"
    "  4  the database is locked by another program and cannot be read\n"
    "  5  unknown user, or no user to choose";

class ConsoleUi : public Ui
{
public:
    void showMessage(MessageKind, const QString &text) override { QTextStream(stderr) << text << '\n'; }
    bool confirm(const QString &) override { return false; }
};

// Fixed for --today: every "today" of the query is that day.
class DayClock : public Clock
{
public:
    explicit DayClock(const QDate &day) : m_now(day, QTime(12, 0)) {}
    QDateTime now() const override { return m_now; }

private:
    QDateTime m_now;
};

bool readDate(const QString &text, QDate &date)
{
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (!shape.match(text).hasMatch())
        return false;
    date = QDate::fromString(text, Qt::ISODate);
    return date.isValid();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The data directory is the program's own: its default comes from the
    // program's names, not this command's.
    QCoreApplication::setOrganizationName(QStringLiteral("Kelmora"));
    QCoreApplication::setApplicationName(QStringLiteral("Tallyline"));
    const QString defaultDataDirectory = DefaultDataDirectory();
    QCoreApplication::setApplicationName(QStringLiteral("tallyline-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(TALLYLINE_VERSION_MAJOR)
                                                .arg(TALLYLINE_VERSION_MINOR)
                                                .arg(TALLYLINE_VERSION_RELEASE));

    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto fail = [&err](int status, const QString &message) {
        err << "tallyline-cli: " << message << '\n';
        err.flush();
        return status;
    };

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("The data directory (default %1).").arg(defaultDataDirectory),
                                     QStringLiteral("DIR"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("The user's login name."),
                                  QStringLiteral("LOGIN"));
    const QCommandLineOption period(QStringLiteral("period"),
                                    QStringLiteral("current (default), previous, all, or a period number."),
                                    QStringLiteral("PERIOD"));
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("First day of a range, YYYY-MM-DD."),
                                  QStringLiteral("DATE"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("Last day of a range, YYYY-MM-DD."),
                                QStringLiteral("DATE"));
    const QCommandLineOption today(QStringLiteral("today"),
                                   QStringLiteral("Answer as on that day, YYYY-MM-DD (default: the system's date)."),
                                   QStringLiteral("DATE"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("text (default), csv or json."),
                                    QStringLiteral("FORMAT"), QStringLiteral("text"));
    parser.addOptions({dataDir, user, period, from, to, today, format});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("sessions, totals or bill."));

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(UsageFailure, parser.errorText() + QStringLiteral(" (see --help)"));
    if (parser.isSet(helpOption)) {
        out << parser.helpText();
        return Success;
    }
    if (parser.isSet(versionOption)) {
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion() << '\n';
        return Success;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return fail(UsageFailure, QStringLiteral("no command given: sessions, totals or bill (see --help)"));
    if (positional.size() > 1)
        return fail(UsageFailure, QStringLiteral("one command at a time, not '%1'").arg(positional.join(QLatin1Char(' '))));
    const QString command = positional.first();
    if (command != QLatin1String("sessions") && command != QLatin1String("totals") && command != QLatin1String("bill"))
        return fail(UsageFailure, QStringLiteral("unknown command '%1': sessions, totals or bill").arg(command));

    cli::Format outputFormat = cli::Format::Text;
    const QString formatText = parser.value(format);
    if (formatText == QLatin1String("csv"))
        outputFormat = cli::Format::Csv;
    else if (formatText == QLatin1String("json"))
        outputFormat = cli::Format::Json;
    else if (formatText != QLatin1String("text"))
        return fail(UsageFailure, QStringLiteral("unknown format '%1': text, csv or json").arg(formatText));

    // Dates and the choice of days, before anything is opened.
    QDate fromDay, toDay, todayDay = QDate::currentDate();
    for (const auto &[option, day] : {std::pair{&from, &fromDay}, std::pair{&to, &toDay}, std::pair{&today, &todayDay}}) {
        if (parser.isSet(*option) && !readDate(parser.value(*option), *day)) {
            return fail(UsageFailure, QStringLiteral("bad date '%1' for --%2: write YYYY-MM-DD")
                                          .arg(parser.value(*option), option->names().constFirst()));
        }
    }
    const bool range = parser.isSet(from) || parser.isSet(to);
    if (range && command != QLatin1String("sessions"))
        return fail(UsageFailure, QStringLiteral("--from and --to are for sessions only"));
    if (parser.isSet(period) && command == QLatin1String("totals"))
        return fail(UsageFailure, QStringLiteral("totals are always of the current period: --period is not taken"));
    if (range && parser.isSet(period))
        return fail(UsageFailure, QStringLiteral("give either --period or --from and --to, not both"));
    if (range && !(parser.isSet(from) && parser.isSet(to)))
        return fail(UsageFailure, QStringLiteral("a range needs both --from and --to"));
    if (range && fromDay > toDay) {
        return fail(UsageFailure, QStringLiteral("the range %1 to %2 ends before it starts")
                                      .arg(parser.value(from), parser.value(to)));
    }
    cli::PeriodChoice periodChoice;
    const QString periodText = parser.isSet(period) ? parser.value(period) : QStringLiteral("current");
    if (const auto parsed = cli::ParsePeriodChoice(periodText))
        periodChoice = *parsed;
    else
        return fail(UsageFailure, QStringLiteral("bad period '%1': current, previous, all or a number from 1").arg(periodText));

    const QString directory = QDir::cleanPath(QDir(parser.isSet(dataDir) ? parser.value(dataDir) : defaultDataDirectory)
                                                  .absolutePath());
    const QString storePath = QDir(directory).filePath(QString::fromLatin1(Store::DefaultFileName));
    if (!QFileInfo(storePath).isFile())
        return fail(NoDatabase, QStringLiteral("no Tallyline database in %1").arg(directory));

    const QString lockedMessage =
        QStringLiteral("the Tallyline database in %1 is locked by another program; try again later").arg(directory);
    try {
        std::unique_ptr<Store> store = Store::openReadOnly(storePath, ReadBusyTimeoutMs);
        DayClock clock(todayDay);
        ConsoleUi ui;
        AppContext ctx(*store, clock, ui);
        ctx.startup.programDirectory = directory + QLatin1Char('/');
        ctx.startup.systemCurrencySymbol = QLocale().currencySymbol(QLocale::CurrencySymbol);
        ctx.startup.savedCurrencyDecimals = LocaleCurrencyDecimals();

        // One snapshot for the whole answer, however the program writes meanwhile.
        Store::Transaction snapshot(*store);
        ReadSettingsFromDatabase(ctx);
        const cli::ChosenUser chosen = cli::ChooseUser(ctx, parser.value(user));
        if (!chosen.reason.isEmpty())
            err << "tallyline-cli: user " << chosen.login << " (" << chosen.reason << ")\n";
        cli::ActAsLoggedIn(ctx, chosen);

        cli::Report report;
        if (command == QLatin1String("sessions")) {
            if (range) {
                const cli::DayRange days{DateTimeFromQDate(fromDay), DateTimeFromQDate(toDay)};
                report = cli::SessionsReport(ctx, chosen.login,
                                             QStringLiteral("%1 to %2").arg(FormatShortDate(days.first),
                                                                            FormatShortDate(days.last)),
                                             days);
            } else {
                const cli::SelectedPeriod selected = cli::SelectPeriod(ctx, periodChoice, periodText);
                report = cli::SessionsReport(ctx, chosen.login, selected.text,
                                             cli::DayRange{selected.span.start, selected.span.end - 1});
            }
        } else if (command == QLatin1String("totals")) {
            report = cli::TotalsReport(ctx, chosen.login);
        } else {
            report = cli::BillReport(ctx, chosen.login, cli::SelectPeriod(ctx, periodChoice, periodText));
        }
        snapshot.commit();
        out << cli::Render(report, outputFormat);
        out.flush();
        if (out.status() != QTextStream::Ok)
            return fail(Failure, QStringLiteral("the output could not be written"));
    } catch (const cli::UsageError &e) {
        return fail(UsageFailure, e.message);
    } catch (const cli::UnknownUserError &e) {
        return fail(UnknownUser, e.message);
    } catch (const StoreError &e) {
        if (e.cause() == StoreError::Cause::Locked)
            return fail(DatabaseLocked, lockedMessage);
        return fail(Failure, e.message());
    } catch (const StoreOpenError &e) {
        return fail(Failure, e.message());
    } catch (const TallylineError &e) {
        return fail(Failure, e.message());
    } catch (const std::exception &e) {
        return fail(Failure, QString::fromLocal8Bit(e.what()));
    }
    return Success;
}
