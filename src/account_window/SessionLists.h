#pragma once

#include "account_window/LiveRows.h"
#include "core/DateTime.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

struct AppContext;

// The account window's two history lists. A rebuild reads the logged-in
// user's sessions of a day range in one query and keeps each row as
// numbers; the texts are made when a view asks for them, so that twenty
// years of sessions list at once.
//
// Rows run by day and, within a day, by session number. A day that lists
// anything is followed by an empty separator row when the setting
// "SeperateDays" is on. A rebuild leaves today's totals (ctx.pricing) alone:
// they are today's, whatever period or ISP the list shows.

// What both lists share: the rows' day, session number and connection.
class SessionHistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The stored connection as the lists show and filter it: "Any" in any
    // letter case, and no name at all, are "Default".
    static QString displayConnection(const QString &stored);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;

    // No rows (nobody logged in, or the window lets go of its lists).
    void clear();
    // The row's tag: session k of its day, -1 for a separator (and out of range).
    int sessionNumber(int row) const;
    // Whole day of the row (0 for a separator and out of range).
    DateTime rowDay(int row) const;
    // The connection as shown ("Default" for Any/ANY/empty); empty for a separator.
    QString rowConnection(int row) const;
    // The row of session `session` of `day`; -1 when it is not listed.
    int rowOf(DateTime day, int session) const;

protected:
    SessionHistoryModel(AppContext &ctx, QObject *parent);

    // The derived model's own rows, parallel to m_keys.
    virtual void clearRows() = 0;

    struct RowKey {
        DateTime day = 0;
        int session = -1;  // -1: separator
        int count = 0;     // sessions stored on the day
        QString connection;
    };
    // The walk of a rebuild: reads the days from <= D < to in one query and
    // appends the key of each listed row; addRow appends the derived row,
    // given the session (null for a separator) and whether it is the first
    // row listed for its day. The caller resets the model around it.
    template <typename AddRow>
    void walk(DateTime from, DateTime to, const QString &ispFilter, AddRow &&addRow);
    void setLiveRow(int row);

    QString dayText(int row) const;   // "ddd" on session 1 of its day
    QString dateText(int row) const;  // the short date
    bool isSeparator(int row) const { return sessionNumber(row) < 0; }

    AppContext &m_ctx;
    QList<RowKey> m_keys;
    int m_liveRow = -1;
};

class SessionListModel : public SessionHistoryModel
{
    Q_OBJECT

public:
    enum Column { Day, Date, StartTime, EndTime, TimeOnline, SessionCost, DailyTime, DailyCost, ListTime, ListCost, Isp, ColumnCount };
    static int designWidth(int column);

    explicit SessionListModel(AppContext &ctx, QObject *parent = nullptr);

    // UpdateSessionInfoList's walk: days from <= D < to of
    // ctx.login.CurrentUser, filtered by ispFilter (empty = no filter;
    // compared upper-cased; "Default" matches "Any"/"ANY"/empty). Daily
    // cells show on the day's last stored session only, so a filter that
    // hides it hides them too.
    void rebuild(DateTime from, DateTime to, const QString &ispFilter);

    // The open session's live row: its start, end, time online, cost,
    // daily and list cells show these texts until the next rebuild or clear
    // (or until a row of -1 ends the live row).
    void setLiveTexts(int row, const LiveSessionRow &live);

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void clearRows() override { m_rows.clear(); }

    struct Row {
        double start = 0;
        double end = 0;
        qint64 seconds = 0;
        double cost = 0;
        qint64 daySeconds = 0;  // the day's listed totals so far
        double dayCost = 0;
        qint64 listSeconds = 0;  // the list's running totals
        double listCost = 0;
    };
    QString text(int row, int column) const;

    QList<Row> m_rows;  // parallel to m_keys
    LiveSessionRow m_live;
};

class PerformanceListModel : public SessionHistoryModel
{
    Q_OBJECT

public:
    enum Column { Day, Date, StartTime, TimeOnline, Download, Uploaded, AvgDown, AvgUp, DailyDown, TotalDown, Isp, ColumnCount };
    // -1: the view's default width.
    static int designWidth(int column);
    static bool centred(int column);

    explicit PerformanceListModel(AppContext &ctx, QObject *parent = nullptr);

    // UpdatePerformanceList's walk; the same rows as the session list.
    void rebuild(DateTime from, DateTime to, const QString &ispFilter);
    // The open session's traffic cells, as for the session list.
    void setLiveTexts(int row, const LivePerformanceRow &live);

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void clearRows() override { m_rows.clear(); }

    struct Row {
        double start = 0;
        qint64 seconds = 0;
        qint64 received = 0;
        qint64 sent = 0;
        double averageReceived = 0;  // bytes per second
        double averageSent = 0;
        qint64 dayReceived = 0;   // the day's listed downloads so far
        qint64 listReceived = 0;  // the list's running total
    };
    QString text(int row, int column) const;

    QList<Row> m_rows;
    LivePerformanceRow m_live;
};

// Average bytes per second as the performance list shows them: always in
// k/s, "%3.2f" + " k/s".
QString FormatListRate(double bytesPerSecond);
