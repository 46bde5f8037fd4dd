#include "store/Errors.h"
#include "store/FloatText.h"
#include "store/Store.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

class TestStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingIntegerLeavesVariableAndCreatesNothing();
    void floatRoundTrip_data();
    void floatRoundTrip();
};

void TestStore::missingIntegerLeavesVariableAndCreatesNothing()
{
    testsupport::TempStore t;
    int value = 42;
    QVERIFY(!t.store->ReadStoreInteger(QStringLiteral("NumberOfUsers"), QStringLiteral("Users\\User1"), value));
    QCOMPARE(value, 42);
    QVERIFY(!t.store->keyExists(Store::hivePathOf(QStringLiteral("Users"))));
}

void TestStore::floatRoundTrip_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("0.05") << 0.05 << "0.05";
    QTest::newRow("2") << 2.0 << "2";
    QTest::newRow("36526.4375") << 36526.4375 << "36526.4375";
}

void TestStore::floatRoundTrip()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    testsupport::TempStore t;
    t.store->WriteStoreFloat(QStringLiteral("Cost"), QStringLiteral("A\\B"), value);
    QCOMPARE(t.store->ReadStoreString(QStringLiteral("cost"), QStringLiteral("a\\b")), text);
    QCOMPARE(t.store->ReadStoreFloat(QStringLiteral("Cost"), QStringLiteral("A\\B")), value);
}

TALLYLINE_TEST_MAIN(TestStore)
#include "TestStore.moc"
