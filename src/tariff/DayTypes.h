#pragma once

#include <QString>

struct AppContext;

constexpr int PublicHolidayDayType = 8;

// Day type 1..8 of today for the current user and ISP: the ISO weekday, or 8
// when today is in the ISP's holiday list.
int CalculateCurrentDay(AppContext &ctx);

// True when the current minute lies in the band start..end (both inclusive;
// end < start crosses midnight, end = start is the whole day).
bool CheckIfInTimeZone(AppContext &ctx, int startMinute, int endMinute);

// The first band of today's day type that contains the current minute, or -1.
// Also remembers today's day type in ctx.tariff.CurrentDayType.
int DetermineCurrentTimeZone(AppContext &ctx);

// Would a new band s..e overlap a band of the given day type (current user
// and ISP)? Existing band interiors are tested strictly and the new band's
// end minute not at all, so bands may share their boundary minutes.
bool CheckTimeZoneOverLap(AppContext &ctx, int newStart, int newEnd, int dayType);

// 0 -> "00:00", 1439 -> "23:59".
QString DecodeHoursMinutesString(int minutes);

// An hours or minutes box of the alarm and program editors on leaving it:
// the number clamped to 0..maximum (not a number reads 0) in two digits.
QString NormaliseTimeField(const QString &text, int maximum);

// Picks the ISP whose "DialupName" equals ConnectedEntryName (ignoring
// letter case; ISP 1 when none does), keeps it as the current ISP and stores
// it as the user's "CurrentTimeZoneISP". Only while a user is logged in.
void SelectCurrentISP(AppContext &ctx);
