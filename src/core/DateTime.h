#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// A moment as days since 30 December 1899; the fraction is the time of day.
using DateTime = double;

constexpr double SecondsPerDay = 86400.0;
constexpr double MinutesPerDay = 1440.0;

DateTime EncodeDate(int year, int month, int day);
DateTime EncodeTime(int hour, int minute, int second, int msec = 0);
DateTime DateTimeFromQDate(const QDate &date);
DateTime DateTimeFromQTime(const QTime &time);
DateTime DateTimeFromQDateTime(const QDateTime &moment);

QDate QDateFromDateTime(DateTime value);
QTime QTimeFromDateTime(DateTime value);
QDateTime QDateTimeFromDateTime(DateTime value);

// Whole day number and time-of-day fraction.
double DateOf(DateTime value);
double TimeOf(DateTime value);

// Monday = 1 ... Sunday = 7.
int IsoDayOfWeek(DateTime value);

// Two-digit years fall in the century that puts them no more than
// TwoDigitYearWindow years before currentYear (in 2000, 99 is 1999, 01 is 2001).
constexpr int TwoDigitYearWindow = 50;
int ExpandTwoDigitYear(int twoDigitYear, int currentYear);

// Date text in the locale's short date order (day, month and year numbers
// separated by anything that is not a digit). Two numbers mean the current
// year. Throws ConvertError for text that is not a date.
DateTime StrToDate(const QString &text, int currentYear);
// The same with a fixed order of day, month and year ("DMY" for dd/MM/yy).
DateTime StrToDate(const QString &text, int currentYear, const QString &dateOrder);
// Time text: hours[:minutes[:seconds]] with an optional AM/PM marker.
// Throws ConvertError for text that is not a time.
DateTime StrToTime(const QString &text);

// The locale's short date format with the locale's separator, e.g. dd/MM/yyyy.
QString ShortDateFormat();
QString FormatShortDate(DateTime value);
