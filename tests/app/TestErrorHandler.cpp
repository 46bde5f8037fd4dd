#include "core/AppContext.h"
#include "store/Store.h"
#include "core/GlobalErrorHandler.h"
#include "core/RecordingUi.h"
#include "app/gui/MessageBoxUi.h"
#include "app/gui/TallylineApplication.h"
#include "core/Errors.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

namespace {

// Throws from inside an event handler, as a faulty timer tick would.
class Thrower : public QObject
{
public:
    std::function<void()> action;

protected:
    void customEvent(QEvent *) override { action(); }
};

QString Report(const char *unit, const char *procedure, const char *className, const QString &message)
{
    ErrorContext context;
    context.unit = QLatin1String(unit);
    context.procedure = QLatin1String(procedure);
    return InternalErrorText(context, className, message);
}

} // namespace

class TestErrorHandler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportNamesProcedureAndClass_data();
    void reportNamesProcedureAndClass();
    void exceptionFromEventHandlerIsReported();
    void carriageReturnsBecomeLineBreaks();
};

void TestErrorHandler::reportNamesProcedureAndClass_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("expected");

    QTest::newRow("store error") << 0
                                 << Report("Global Unit", "OpenSession", "ERegistryException",
                                           QStringLiteral("Failed to set data for 'Cost'"));
    QTest::newRow("conversion error") << 1
                                      << Report("Global Unit", "OpenSession", "EConvertError",
                                                QStringLiteral("'x' is not a valid date"));
    QTest::newRow("standard exception") << 2
                                        << Report("Global Unit", "OpenSession", "std::out_of_range",
                                                  QStringLiteral("index 7"));
    QTest::newRow("no exception object") << 3 << Report("Global Unit", "OpenSession", nullptr, QString());
}

void TestErrorHandler::reportNamesProcedureAndClass()
{
    QFETCH(int, kind);
    QFETCH(QString, expected);

    testsupport::TempStore temp;
    FakeClock clock;
    RecordingUi ui;
    AppContext ctx(*temp.store, clock, ui);
    PROCEDURE_GUARD(ctx, "Global Unit", "OpenSession");
    try {
        switch (kind) {
        case 0:
            throw StoreError(QStringLiteral("Failed to set data for 'Cost'"));
        case 1:
            throw ConvertError(QStringLiteral("'x' is not a valid date"));
        case 2:
            throw std::out_of_range("index 7");
        default:
            throw 42;
        }
    } catch (...) {
        GlobalErrorHandler(ctx, std::current_exception());
    }
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages.at(0).kind, MessageKind::Error);
    QCOMPARE(ui.messages.at(0).text, expected);
    QVERIFY(expected.startsWith(QStringLiteral("An internal error has occured in Tallyline.\r\rProcedure : OpenSession\r"
                                               "Unit : Global Unit\r")));
}

void TestErrorHandler::exceptionFromEventHandlerIsReported()
{
    auto *app = qobject_cast<TallylineApplication *>(qApp);
    QVERIFY(app);
    testsupport::TempStore temp;
    FakeClock clock;
    RecordingUi ui;
    AppContext ctx(*temp.store, clock, ui);
    app->setErrorHandler([&ctx](std::exception_ptr error) { GlobalErrorHandler(ctx, error); });

    Thrower thrower;
    int ticks = 0;
    thrower.action = [&] {
        PROCEDURE_GUARD(ctx, "MainApp", "Timer1Timer");
        ++ticks;
        throw StoreError(QStringLiteral("Invalid data type for 'NumberOfUsers'"));
    };
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&thrower);
    app->setErrorHandler({});

    // Both events were delivered: the first failure did not end the loop.
    QCOMPARE(ticks, 2);
    QCOMPARE(ui.messages.size(), 2);
    QCOMPARE(ui.messages.at(0).text, Report("MainApp", "Timer1Timer", "ERegistryException",
                                            QStringLiteral("Invalid data type for 'NumberOfUsers'")));
}

void TestErrorHandler::carriageReturnsBecomeLineBreaks()
{
    QCOMPARE(MessageBoxUi::displayText(QStringLiteral("a\rb\r\rc\r\nd")), QStringLiteral("a\nb\n\nc\nd"));
}

int main(int argc, char **argv)
{
    testsupport::prepareEnvironment();
    TallylineApplication app(argc, argv);
    testsupport::afterApplication();
    TestErrorHandler tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "TestErrorHandler.moc"
