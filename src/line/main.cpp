// tallyline-line: drives the simulated line of a running Tallyline.
#include "app/BuildInfo.h"
#include "platform/LineControl.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallyline-line"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(TALLYLINE_VERSION_MAJOR)
                                                .arg(TALLYLINE_VERSION_MINOR)
                                                .arg(TALLYLINE_VERSION_RELEASE));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Drives the simulated line of a Tallyline started with --line simulated.\n\n"
        "Requests:\n"
        "  connect ENTRY    bring the line up, connected to ENTRY\n"
        "  drop             drop the line\n"
        "  traffic RX TX    move RX bytes in and TX bytes out per second while up\n"
        "  busy N           the next N calls the program dials find the line busy\n"
        "  status           show the line, the program's connection flags and running totals\n"
        "  boxes            list the program's open message boxes\n"
        "  answer BUTTON    press ok, yes, no or cancel on the newest open box"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("The data directory the program was started with."),
                                     QStringLiteral("DIR"));
    parser.addOption(dataDir);
    parser.addPositionalArgument(QStringLiteral("request"), QStringLiteral("connect ENTRY | drop | traffic RX TX | busy N | status | boxes | answer BUTTON"));
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty()) {
        err << parser.helpText();
        return 2;
    }
    const QString directory = parser.isSet(dataDir) ? parser.value(dataDir) : LineControl::defaultDataDirectory();
    QString answer;
    if (!LineControl::send(LineControl::socketName(directory), words.join(QLatin1Char(' ')), &answer)) {
        err << "tallyline-line: " << answer << '\n';
        return 3;
    }
    if (answer.startsWith(QLatin1String("ok"))) {
        out << answer;
        return 0;
    }
    err << answer;
    return 1;
}
