#pragma once

#include "core/DateTime.h"

#include <QString>

#include <optional>

struct AppContext;

// The rules of the session editor, without its window: reading the time
// texts of its masked fields, deriving the time online, pricing a session
// from the tariff and writing the corrected record.

// The editor's choice for a session without a known dial-up entry; stored
// as "Any".
inline constexpr char DefaultConnectionItem[] = "Default";
inline constexpr char AnyConnection[] = "Any";

// Seconds of a time text as the masked fields hold it: hours (one or two
// digits, leading blanks of the mask ignored), minutes and seconds, ":"
// between. Hours run up to maxHours, minutes and seconds to 59. Nothing for
// a text that is incomplete or out of range.
std::optional<int> EditorTimeSeconds(const QString &text, int maxHours = 23);
inline bool IsValidEditorTime(const QString &text)
{
    return EditorTimeSeconds(text).has_value();
}

// Seconds as "hh:nn:ss".
QString EditorTimeText(int seconds);

// "hh:nn:ss" of end - start, an end before the start counting as the next
// day. Empty when either text is not a valid time.
QString DerivedTimeOnline(const QString &start, const QString &end);

// A cost as the editor shows it: "%.<currency decimals + 1>f".
QString EditorCostText(const AppContext &ctx, double cost);

// "&Calculate": the ISP the editor prices with for a connection name.
// "Default" starts from ISP 1; every ISP whose "DialupName" equals the name
// (in any letter case) replaces it, so the last one wins. Nothing when no
// ISP was found.
std::optional<int> EditorIspForConnection(AppContext &ctx, const QString &connection);

// "&Calculate": the cost of a session of the day from the current user's
// tariff, with the band that holds its start minute on the day's weekday
// (holidays are not looked at). Tells the user through ctx.ui why a session
// cannot be priced, and then gives nothing.
std::optional<double> CalculateEditedSessionCost(AppContext &ctx, DateTime day, const QString &connection,
                                                 const QString &startText, const QString &endText,
                                                 const QString &timeOnlineText);

// What the editor's fields hold when OK is pressed.
struct SessionEdit {
    QString startText;
    QString endText;
    QString timeOnlineText;
    QString costText;
    QString connection;   // the chosen item; "Default" is stored as "Any"
};

enum class SessionEditResult {
    Saved,
    InvalidTimes,   // the user has been told; nothing written
    NoSuchSession,  // the day holds no such session (any more); nothing written
};

// "&OK": writes the start, end, time online, cost and connection of
// Session<session> of the day for the current user in one transaction,
// recomputes the account period's and today's totals and tells the windows
// (EngineEvents::sessionRecordChanged). A cost text that is not a number
// throws ConvertError before anything is written.
SessionEditResult SaveSessionEdit(AppContext &ctx, DateTime day, int session, const SessionEdit &edit);
