#pragma once

#include "core/DateTime.h"

#include <QList>
#include <QStringList>

class Store;

// The public holidays of an ISP, Users\User<u>\ISP<i>\Timezones\Holidays:
// "NumberOfHolidays" and Holiday1..n, each a whole day as float text.

// The stored texts of holidays 1..count in one query; a missing one is empty.
QStringList ReadHolidayTexts(Store &store, int user, int isp);
// The same as days; a text that is not a number is day 0.
QList<DateTime> ReadHolidays(Store &store, int user, int isp);

// The count and every holiday, as one transaction.
void WriteHolidays(Store &store, int user, int isp, const QList<DateTime> &days);
// Single values, for a loader that stops at a bad holiday and keeps what it wrote.
void WriteNumberOfHolidays(Store &store, int user, int isp, int count);
void WriteHoliday(Store &store, int user, int isp, int holiday, DateTime day);
