#include "app/BuildInfo.h"
#include "core/DateTime.h"
#include "core/Errors.h"
#include "store/FloatText.h"
#include "store/GeneralRoutines.h"
#include "store/Store.h"
#include "support/TempStore.h"
#include "support/TestMain.h"

#include <cmath>
#include <limits>

// Float text, dates and the small general routines.
class TestGeneralRoutines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void floatText_data();
    void floatText();
    void floatTextUnderOtherSeparator();
    void floatTextGarbage_data();
    void floatTextGarbage();
    void infinityReadsBack();

    void dateNumbers();
    void twoDigitYears_data();
    void twoDigitYears();
    void strToDate_data();
    void strToDate();
    void strToTime_data();
    void strToTime();

    void charPosAndLeftOf();
    void parseMonthNameDate_data();
    void parseMonthNameDate();
    void getFileVersion();
    void fileWithoutVersion_data();
    void fileWithoutVersion();
};

void TestGeneralRoutines::floatText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("0.05") << 0.05 << "0.05";
    QTest::newRow("2") << 2.0 << "2";
    QTest::newRow("36526.4375") << 36526.4375 << "36526.4375";
    QTest::newRow("negative") << -2.5 << "-2.5";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("0.1 + 0.2 at 15 digits") << 0.1 + 0.2 << "0.3";
    QTest::newRow("a third") << 1.0 / 3.0 << "0.333333333333333";
    QTest::newRow("15 integer digits") << 999999999999999.0 << "999999999999999";
    QTest::newRow("16 integer digits") << 1234567890123456.0 << "1.23456789012346E15";
    QTest::newRow("rounds up into the exponent") << 9999999999999999.0 << "1E16";
    QTest::newRow("1E15") << 1e15 << "1E15";
    QTest::newRow("0.00001 stays fixed") << 0.00001 << "0.00001";
    QTest::newRow("tiny") << 0.000001234 << "1.234E-6";
    QTest::newRow("huge") << 1.5e300 << "1.5E300";
    QTest::newRow("smallest") << 5e-324 << "4.94065645841247E-324";
    QTest::newRow("byte total") << 123456789.0 << "123456789";
}

void TestGeneralRoutines::floatText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(FloatToStoreText(value), text);
    // Read back through the store: the same text, and the value to 15 digits.
    testsupport::TempStore t;
    t.store->WriteStoreFloat(QStringLiteral("Cost"), QStringLiteral("K"), value);
    QCOMPARE(t.store->ReadStoreString(QStringLiteral("Cost"), QStringLiteral("K")), text);
    const double back = t.store->ReadStoreFloat(QStringLiteral("Cost"), QStringLiteral("K"));
    QVERIFY2(back == value || std::fabs(back - value) <= std::fabs(value) * 1e-14,
             qPrintable(QStringLiteral("%1 read back as %2").arg(value, 0, 'g', 17).arg(back, 0, 'g', 17)));
}

void TestGeneralRoutines::floatTextUnderOtherSeparator()
{
    testsupport::TempStore t;
    t.store->WriteStoreFloat(QStringLiteral("Cost"), QStringLiteral("K"), 0.05);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(FloatToStoreText(36526.4375), QStringLiteral("36526,4375"));
    QCOMPARE(FloatToStoreText(1.5e-7), QStringLiteral("1,5E-7"));
    // Text written under the other separator still reads.
    QCOMPARE(t.store->ReadStoreFloat(QStringLiteral("Cost"), QStringLiteral("K")), 0.05);
    QCOMPARE(StoreTextToFloat(QStringLiteral("0,05")), 0.05);
    QCOMPARE(StoreTextToFloat(QStringLiteral("1.5E-7")), 1.5e-7);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    QCOMPARE(StoreTextToFloat(QStringLiteral("36526,4375")), 36526.4375);
    QCOMPARE(StoreTextToFloat(QStringLiteral(" 12 ")), 12.0);
}

void TestGeneralRoutines::floatTextGarbage_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("word") << "abc";
    QTest::newRow("two points") << "1.2.3";
    QTest::newRow("both separators") << "1.234,5";
    QTest::newRow("bare exponent") << "1e";
    QTest::newRow("two signs") << "--1";
    QTest::newRow("hexadecimal") << "0x10";
    QTest::newRow("trailing text") << "12 pence";
    QTest::newRow("point only") << ".";
    QTest::newRow("out of range") << "1e999";
    QTest::newRow("non-ASCII digits") << "١٢";
}

void TestGeneralRoutines::floatTextGarbage()
{
    QFETCH(QString, text);
    QVERIFY_THROWS_EXCEPTION(ConvertError, StoreTextToFloat(text));
    QCOMPARE(SafeStrToFloat(text), 0.0);
    testsupport::TempStore t;
    t.store->WriteStoreString(QStringLiteral("Cost"), QStringLiteral("K"), text);
    QVERIFY_THROWS_EXCEPTION(ConvertError, t.store->ReadStoreFloat(QStringLiteral("Cost"), QStringLiteral("K")));
    QCOMPARE(SafeStrToFloat(QString()), 0.0);
}

void TestGeneralRoutines::infinityReadsBack()
{
    testsupport::TempStore t;
    t.store->WriteStoreFloat(QStringLiteral("Cost"), QStringLiteral("K"), std::numeric_limits<double>::infinity());
    t.store->WriteStoreFloat(QStringLiteral("Low"), QStringLiteral("K"), -std::numeric_limits<double>::infinity());
    QCOMPARE(t.store->ReadStoreFloat(QStringLiteral("Cost"), QStringLiteral("K")), std::numeric_limits<double>::infinity());
    QCOMPARE(t.store->ReadStoreFloat(QStringLiteral("Low"), QStringLiteral("K")), -std::numeric_limits<double>::infinity());
}

void TestGeneralRoutines::dateNumbers()
{
    QCOMPARE(EncodeDate(1899, 12, 30), 0.0);
    QCOMPARE(EncodeDate(2000, 1, 1), 36526.0);
    QCOMPARE(EncodeDate(1899, 12, 29), -1.0);
    QCOMPARE(EncodeTime(10, 30, 0), 0.4375);
    QCOMPARE(QDateTimeFromDateTime(36526.4375), QDateTime(QDate(2000, 1, 1), QTime(10, 30)));
    QCOMPARE(DateTimeFromQDateTime(QDateTime(QDate(2000, 1, 1), QTime(10, 30))), 36526.4375);
    QCOMPARE(QDateFromDateTime(36526.99), QDate(2000, 1, 1));
    QCOMPARE(DateOf(36526.4375), 36526.0);
    QCOMPARE(TimeOf(36526.4375), 0.4375);
    // A moment a hair before midnight rounds to the next day, not to 24:00.
    QCOMPARE(QDateTimeFromDateTime(36526.0 + 1.0 - 1e-10), QDateTime(QDate(2000, 1, 2), QTime(0, 0)));
    QCOMPARE(QTimeFromDateTime(0.9999999999), QTime(23, 59, 59, 999));
    QCOMPARE(IsoDayOfWeek(EncodeDate(2000, 1, 1)), 6);   // a Saturday
    QCOMPARE(IsoDayOfWeek(EncodeDate(2000, 1, 3) + 0.99), 1);
    QCOMPARE(IsoDayOfWeek(EncodeDate(2000, 1, 2)), 7);
    QVERIFY_THROWS_EXCEPTION(ConvertError, EncodeDate(2001, 2, 29));
    QVERIFY_THROWS_EXCEPTION(ConvertError, EncodeTime(24, 0, 0));
}

void TestGeneralRoutines::twoDigitYears_data()
{
    QTest::addColumn<int>("twoDigits");
    QTest::addColumn<int>("currentYear");
    QTest::addColumn<int>("year");
    QTest::newRow("99 in 2000") << 99 << 2000 << 1999;
    QTest::newRow("01 in 2000") << 1 << 2000 << 2001;
    QTest::newRow("50 in 2000: exactly 50 years back") << 50 << 2000 << 1950;
    QTest::newRow("49 in 2000") << 49 << 2000 << 2049;
    QTest::newRow("99 in 2026") << 99 << 2026 << 1999;
    QTest::newRow("75 in 2026") << 75 << 2026 << 2075;
    QTest::newRow("76 in 2026") << 76 << 2026 << 1976;
    QTest::newRow("00 in 2026") << 0 << 2026 << 2000;
}

void TestGeneralRoutines::twoDigitYears()
{
    QFETCH(int, twoDigits);
    QFETCH(int, currentYear);
    QFETCH(int, year);
    QCOMPARE(ExpandTwoDigitYear(twoDigits, currentYear), year);
}

void TestGeneralRoutines::strToDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");  // invalid: a conversion error
    QTest::newRow("full") << "12/01/1999" << QDate(1999, 1, 12);
    QTest::newRow("two-digit year") << "12/01/99" << QDate(1999, 1, 12);
    QTest::newRow("other separator") << "3-2-2001" << QDate(2001, 2, 3);
    QTest::newRow("no year: this year") << "25/12" << QDate(2026, 12, 25);
    QTest::newRow("31 February") << "31/02/2000" << QDate();
    QTest::newRow("month 13") << "12/13/2000" << QDate();
    QTest::newRow("words") << "yesterday" << QDate();
    QTest::newRow("one number") << "36526" << QDate();
    QTest::newRow("four numbers") << "1/2/3/4" << QDate();
    QTest::newRow("empty") << "" << QDate();
}

void TestGeneralRoutines::strToDate()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    if (!date.isValid()) {
        QVERIFY_THROWS_EXCEPTION(ConvertError, StrToDate(text, 2026));
        return;
    }
    QCOMPARE(QDateFromDateTime(StrToDate(text, 2026)), date);
}

void TestGeneralRoutines::strToTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QTime>("time");
    QTest::newRow("hh:mm") << "10:30" << QTime(10, 30);
    QTest::newRow("hh:mm:ss") << "23:59:59" << QTime(23, 59, 59);
    QTest::newRow("midnight AM") << "12:00 AM" << QTime(0, 0);
    QTest::newRow("PM") << "1:05 pm" << QTime(13, 5);
    QTest::newRow("25 o'clock") << "25:00" << QTime();
    QTest::newRow("13 PM") << "13:00 PM" << QTime();
    QTest::newRow("minutes 60") << "10:60" << QTime();
    QTest::newRow("words") << "noon" << QTime();
}

void TestGeneralRoutines::strToTime()
{
    QFETCH(QString, text);
    QFETCH(QTime, time);
    if (!time.isValid()) {
        QVERIFY_THROWS_EXCEPTION(ConvertError, StrToTime(text));
        return;
    }
    QCOMPARE(QTimeFromDateTime(StrToTime(text)), time);
}

void TestGeneralRoutines::charPosAndLeftOf()
{
    const QString file = QStringLiteral("C:\\Apps\\Tool.exe");
    QCOMPARE(CharPos(QLatin1Char('\\'), file, true), 8);
    QCOMPARE(CharPos(QLatin1Char('\\'), file, false), 3);
    QCOMPARE(CharPos(QLatin1Char('/'), file, true), 0);
    QCOMPARE(CharPos(QLatin1Char('/'), QString(), false), 0);
    QCOMPARE(LeftOf(file, CharPos(QLatin1Char('\\'), file, true)), QStringLiteral("C:\\Apps\\"));
    QCOMPARE(LeftOf(file, 0), QString());
    QCOMPARE(LeftOf(file, -3), QString());
    QCOMPARE(LeftOf(file, 100), file);
}

void TestGeneralRoutines::parseMonthNameDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("12-Jan-99") << "12-Jan-99" << QDate(1999, 1, 12);
    QTest::newRow("lower case") << "3 mar 2001" << QDate(2001, 3, 3);
    QTest::newRow("three-letter September") << "30-Sep-98" << QDate(1998, 9, 30);
    QTest::newRow("the locale's September") << "30-Sept-98" << QDate(1998, 9, 30);
    QTest::newRow("no month name") << "12/01/1999" << QDate(1999, 1, 12);
    QTest::newRow("December") << "31-Dec-1999" << QDate(1999, 12, 31);
    QTest::newRow("no date at all") << "soon" << QDate();
    QTest::newRow("month name but no day") << "Jan" << QDate();
    QTest::newRow("30 February") << "30-Feb-99" << QDate();
}

void TestGeneralRoutines::parseMonthNameDate()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    if (!date.isValid()) {
        QVERIFY_THROWS_EXCEPTION(ConvertError, ParseMonthNameDate(text, 2026));
        return;
    }
    QCOMPARE(QDateFromDateTime(ParseMonthNameDate(text, 2026)), date);
}

void TestGeneralRoutines::getFileVersion()
{
    const FileVersion v = GetFileVersion(QStringLiteral(TALLYLINE_EXECUTABLE));
    QCOMPARE(v.major, TALLYLINE_VERSION_MAJOR);
    QCOMPARE(v.minor, TALLYLINE_VERSION_MINOR);
    QCOMPARE(v.release, TALLYLINE_VERSION_RELEASE);
    QCOMPARE(v.build, TALLYLINE_VERSION_BUILD);
}

void TestGeneralRoutines::fileWithoutVersion_data()
{
    QTest::addColumn<QString>("file");
    // This test program is an executable without the block.
    QTest::newRow("executable without the block") << QCoreApplication::applicationFilePath();
    QTest::newRow("text file") << QStringLiteral(TALLYLINE_TEST_BINARY_DIR "/../CMakeCache.txt");
    QTest::newRow("missing file") << QStringLiteral("/nonexistent/tallyline");
    QTest::newRow("directory") << QStringLiteral(TALLYLINE_TEST_BINARY_DIR);
}

void TestGeneralRoutines::fileWithoutVersion()
{
    QFETCH(QString, file);
    try {
        GetFileVersion(file);
        QFAIL("a version was found");
    } catch (const TallylineError &e) {
        QCOMPARE(e.message(), QStringLiteral("Can't get file version information for ") + file);
    }
}

TALLYLINE_ENGINE_TEST_MAIN(TestGeneralRoutines)
#include "TestGeneralRoutines.moc"
