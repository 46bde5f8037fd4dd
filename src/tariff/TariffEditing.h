#pragma once

#include "core/DateTime.h"
#include "tariff/IspRecord.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

struct AppContext;
class Ui;

// The tariff editing of the phone charges page and its dialogs: bands of
// the current user's current ISP, the ISP list and its holidays. Every
// change goes to the store at once.

// --- Time entry of the band dialog -------------------------------------------

// A typed hours or minutes field as a number held to 0..maximum; text that
// is no number counts as 0.
int ClampedTimeField(const QString &text, int maximum);
// Two digits, a leading zero below 10.
QString TwoDigitTimeText(int value);
// The end of a band as the dialog takes it: 00:00 is the end of the day.
int BandEndMinute(int hours, int minutes);

// Appends the band start..end (minutes) to the day type of the current ISP
// with cost and fee "0.0000" and a minimum charge. Refuses, with the
// message, an end before the start and a band overlapping another; true
// when the band was added.
bool AddTimeZone(AppContext &ctx, int dayType, int startMinute, int endMinute);

// Writes the bands of sourceDay over each of targetDays (the source itself
// is skipped): each target ends with exactly the source's bands. Nothing is
// written when the source has none.
void CopyTimeZones(AppContext &ctx, int sourceDay, const QList<int> &targetDays);

// Removes band k of the day type after asking (when "DeletePrompt" is on);
// the later bands move down by one. True when it went.
bool RemoveTimeZone(AppContext &ctx, int dayType, int band);

// --- Cost and fee of a band --------------------------------------------------

// What the cost and fee edits keep while typing: beyond 8 characters, the
// first 7.
QString CutBandMoneyText(const QString &text);
// A typed cost or fee as stored: its number ("abc" is 0) as "%5.4f".
QString BandMoneyText(const QString &typed);
// Store a band's values of the current ISP. Band 0 or below stores nothing.
void StoreBandCost(AppContext &ctx, int dayType, int band, const QString &text);
void StoreBandConnectionFee(AppContext &ctx, int dayType, int band, const QString &text);
void StoreBandConnectionFeeType(AppContext &ctx, int dayType, int band, int feeType);

// --- ISPs ---------------------------------------------------------------------

// The user's ISPs 1..NumberOfISPs: "Description" and "Dial-up connection".
class IspListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Description, DialupConnection, ColumnCount };

    explicit IspListModel(AppContext &ctx, QObject *parent = nullptr);

    // Reads the current user's list again.
    void reload();
    const QList<IspRecord> &isps() const { return m_isps; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    AppContext &m_ctx;
    QList<IspRecord> m_isps;
};

// The ISP names of the current user, for the page's ISP pick list.
QStringList IspNames(AppContext &ctx);

// Makes ISP `isp` the one tariffs are priced by, in memory and in the
// user's "CurrentTimeZoneISP".
void ChooseCurrentISP(AppContext &ctx, int isp);

enum class IspDialogMode { Add, Edit };

// The ISP dialog's OK: checks the description and the entry (telling the
// user what is wrong) and writes ISP `editedIsp` (Edit) or a new last ISP
// (Add). True when written and the dialog may close.
bool SaveIspFromDialog(AppContext &ctx, IspDialogMode mode, int editedIsp, const QString &description,
                       const QString &entry);

// The ISP list's Remove of row `row` (0-based): asks, refuses the default
// ISP, deletes the ISP with its tariff and holidays and moves the later
// ones down. Afterwards ISP 1 is current. False when the default was refused.
bool RemoveIsp(AppContext &ctx, int row);

// --- Holidays -----------------------------------------------------------------

// The holiday editor's list while it is open: the dates as shown and their
// day numbers, side by side.
struct HolidayList {
    QStringList shown;
    QList<DateTime> days;

    // The current ISP's holidays.
    static HolidayList read(AppContext &ctx);
    // Appends the day, or tells the user it is listed already.
    bool add(Ui &ui, DateTime day);
    void removeAt(int index);
    // Holiday1..n and the count, for the current ISP.
    void write(AppContext &ctx) const;
};
