#include "account_window/SessionLists.h"

#include "core/AppContext.h"
#include "session/SessionRecord.h"
#include "tariff/AccountPeriods.h"
#include "tariff/Formatting.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

// A damaged stored number (not finite, or beyond any real total) counts as
// 0 rather than overflowing the totals.
double sane(double value)
{
    return std::isfinite(value) && std::fabs(value) <= 9.0e15 ? value : 0.0;
}

qint64 whole(double value)
{
    return qint64(std::llround(sane(value)));
}


QVariant leftAligned()
{
    return QVariant(int(Qt::AlignLeft | Qt::AlignVCenter));
}

} // namespace

QString FormatListRate(double bytesPerSecond)
{
    QString text = QString::asprintf("%3.2f", sane(bytesPerSecond) / 1024.0);
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String("."))
        text.replace(QLatin1Char('.'), point);
    return text + QStringLiteral(" k/s");
}

// --- What both lists share -------------------------------------------------

SessionHistoryModel::SessionHistoryModel(AppContext &ctx, QObject *parent) : QAbstractTableModel(parent), m_ctx(ctx) {}

QString SessionHistoryModel::displayConnection(const QString &stored)
{
    if (stored.isEmpty() || stored.compare(QLatin1String("ANY"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Default");
    return stored;
}

int SessionHistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_keys.size());
}

void SessionHistoryModel::clear()
{
    beginResetModel();
    m_keys.clear();
    clearRows();
    m_liveRow = -1;
    endResetModel();
}

int SessionHistoryModel::sessionNumber(int row) const
{
    return row >= 0 && row < m_keys.size() ? m_keys[row].session : -1;
}

DateTime SessionHistoryModel::rowDay(int row) const
{
    return sessionNumber(row) < 0 ? 0 : m_keys[row].day;
}

QString SessionHistoryModel::rowConnection(int row) const
{
    return sessionNumber(row) < 0 ? QString() : m_keys[row].connection;
}

int SessionHistoryModel::rowOf(DateTime day, int session) const
{
    day = DateOf(day);
    auto it = std::lower_bound(m_keys.cbegin(), m_keys.cend(), day,
                               [](const RowKey &key, DateTime d) { return key.day < d; });
    for (; it != m_keys.cend() && it->day == day; ++it) {
        if (it->session == session && session > 0)
            return int(it - m_keys.cbegin());
    }
    return -1;
}

template <typename AddRow>
void SessionHistoryModel::walk(DateTime from, DateTime to, const QString &ispFilter, AddRow &&addRow)
{
    m_keys.clear();
    clearRows();
    m_liveRow = -1;
    const DateTime first = DateOf(from);
    const DateTime last = DateOf(to) - 1;  // the end day is the next period's
    if (!m_ctx.login.LoggedIn || last < first)
        return;
    const QString filter = ispFilter.toUpper();
    const bool filtering = !ispFilter.isEmpty();
    const bool separate = m_ctx.settings.SeperateDays;
    const QList<SessionDay> days = ReadSessionDays(m_ctx.store, m_ctx.login.CurrentUser, first, last);
    for (const SessionDay &day : days) {
        const int count = int(day.sessions.size());
        bool listed = false;
        for (int k = 1; k <= count; ++k) {
            const SessionRecord &record = day.sessions[k - 1];
            QString connection = displayConnection(record.connection.value_or(QString()));
            if (filtering && connection.toUpper() != filter)
                continue;
            m_keys.append(RowKey{day.day, k, count, std::move(connection)});
            addRow(&record, !listed);
            listed = true;
        }
        if (listed && separate) {
            m_keys.append(RowKey{day.day, -1, 0, QString()});
            addRow(nullptr, false);
        }
    }
}

void SessionHistoryModel::setLiveRow(int row)
{
    const int previous = m_liveRow;
    m_liveRow = isSeparator(row) ? -1 : row;
    const int last = columnCount() - 1;
    if (previous >= 0 && previous != m_liveRow)
        Q_EMIT dataChanged(index(previous, 0), index(previous, last), {Qt::DisplayRole});
    if (m_liveRow >= 0)
        Q_EMIT dataChanged(index(m_liveRow, 0), index(m_liveRow, last), {Qt::DisplayRole});
}

QString SessionHistoryModel::dayText(int row) const
{
    if (sessionNumber(row) != 1)
        return QString();
    return QLocale().dayName(QDateFromDateTime(m_keys[row].day).dayOfWeek(), QLocale::ShortFormat);
}

QString SessionHistoryModel::dateText(int row) const
{
    return isSeparator(row) ? QString() : FormatShortDate(m_keys[row].day);
}

// --- Session list -----------------------------------------------------------

int SessionListModel::designWidth(int column)
{
    static const int widths[ColumnCount] = {40, 68, 60, 60, 67, 80, 60, 70, 60, 70, 63};
    return column >= 0 && column < ColumnCount ? widths[column] : -1;
}

SessionListModel::SessionListModel(AppContext &ctx, QObject *parent) : SessionHistoryModel(ctx, parent) {}

void SessionListModel::rebuild(DateTime from, DateTime to, const QString &ispFilter)
{
    PROCEDURE_GUARD(m_ctx, "Properties", "UpdateSessionInfoList");
    beginResetModel();
    // A failed read leaves an empty list, not rows out of step with their keys.
    struct Reset {
        SessionListModel &model;
        ~Reset() { model.endResetModel(); }
    } reset{*this};
    try {
        qint64 listSeconds = 0;
        double listCost = 0;
        qint64 daySeconds = 0;
        double dayCost = 0;
        walk(from, to, ispFilter, [&](const SessionRecord *record, bool firstOfDay) {
            Row row;
            if (record) {
                if (firstOfDay) {
                    daySeconds = 0;
                    dayCost = 0;
                }
                row.start = record->startTime;
                row.end = record->endTime;
                row.seconds = whole(record->timeOnline);
                row.cost = sane(record->cost);
                daySeconds += row.seconds;
                dayCost += row.cost;
                listSeconds += row.seconds;
                listCost += row.cost;
                row.daySeconds = daySeconds;
                row.dayCost = dayCost;
                row.listSeconds = listSeconds;
                row.listCost = listCost;
            }
            m_rows.append(row);
        });
    } catch (...) {
        m_keys.clear();
        m_rows.clear();
        throw;
    }
}

void SessionListModel::setLiveTexts(int row, const LiveSessionRow &live)
{
    m_live = live;
    setLiveRow(row);
}

int SessionListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString SessionListModel::text(int rowIndex, int column) const
{
    if (isSeparator(rowIndex))
        return QString();
    const RowKey &key = m_keys[rowIndex];
    const Row &row = m_rows[rowIndex];
    const bool live = rowIndex == m_liveRow;
    const bool lastOfDay = key.session == key.count;
    switch (column) {
    case Day:
        return dayText(rowIndex);
    case Date:
        return dateText(rowIndex);
    case StartTime:
        return live ? m_live.startTime : FormatClockTime(row.start);
    case EndTime:
        return live ? m_live.endTime : FormatClockTime(row.end);
    case TimeOnline:
        return live ? m_live.timeOnline : OnlineIntegerToString(row.seconds);
    case SessionCost:
        return live ? m_live.sessionCost : FormatSessionMoney(m_ctx, row.cost);
    case DailyTime:
        if (live)
            return m_live.dailyTime;
        return lastOfDay ? OnlineIntegerToString(row.daySeconds) : QString();
    case DailyCost:
        if (live)
            return m_live.dailyCost;
        return lastOfDay ? FormatMoney(m_ctx, row.dayCost) : QString();
    case ListTime:
        return live ? m_live.accountTime : OnlineIntegerToString(row.listSeconds);
    case ListCost:
        return live ? m_live.accountCost : FormatMoney(m_ctx, row.listCost);
    case Isp:
        return key.connection;
    default:
        return QString();
    }
}

QVariant SessionListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_keys.size() || index.column() >= ColumnCount)
        return QVariant();
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return leftAligned();
    return QVariant();
}

QVariant SessionListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const captions[ColumnCount] = {"Day",        "Date",       "Start time", "End time",
                                                      "Time Online", "Session Cost", "Daily Time", "Daily Cost",
                                                      "List Time",  "List Cost",  "ISP"};
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(captions[section]);
    if (role == Qt::TextAlignmentRole)
        return leftAligned();
    return QVariant();
}

// --- Performance list -------------------------------------------------------

int PerformanceListModel::designWidth(int column)
{
    static const int widths[ColumnCount] = {-1, 62, 60, 67, 61, 57, 64, -1, 67, 67, 75};
    return column >= 0 && column < ColumnCount ? widths[column] : -1;
}

bool PerformanceListModel::centred(int column)
{
    return column == StartTime || column == TimeOnline || column == Download || column == Uploaded
           || column == AvgDown;
}

PerformanceListModel::PerformanceListModel(AppContext &ctx, QObject *parent) : SessionHistoryModel(ctx, parent) {}

void PerformanceListModel::rebuild(DateTime from, DateTime to, const QString &ispFilter)
{
    PROCEDURE_GUARD(m_ctx, "Properties", "UpdatePerformanceList");
    beginResetModel();
    struct Reset {
        PerformanceListModel &model;
        ~Reset() { model.endResetModel(); }
    } reset{*this};
    try {
        qint64 listReceived = 0;
        qint64 dayReceived = 0;
        walk(from, to, ispFilter, [&](const SessionRecord *record, bool firstOfDay) {
            Row row;
            if (record) {
                if (firstOfDay)
                    dayReceived = 0;
                row.start = record->startTime;
                row.seconds = whole(record->timeOnline);
                row.received = whole(record->totalDownloaded);
                row.sent = whole(record->totalUploaded);
                row.averageReceived = record->avgDownload;
                row.averageSent = record->avgUpload;
                dayReceived += row.received;
                listReceived += row.received;
                row.dayReceived = dayReceived;
                row.listReceived = listReceived;
            }
            m_rows.append(row);
        });
    } catch (...) {
        m_keys.clear();
        m_rows.clear();
        throw;
    }
}

void PerformanceListModel::setLiveTexts(int row, const LivePerformanceRow &live)
{
    m_live = live;
    setLiveRow(row);
}

int PerformanceListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString PerformanceListModel::text(int rowIndex, int column) const
{
    if (isSeparator(rowIndex))
        return QString();
    const RowKey &key = m_keys[rowIndex];
    const Row &row = m_rows[rowIndex];
    const bool live = rowIndex == m_liveRow;
    switch (column) {
    case Day:
        return dayText(rowIndex);
    case Date:
        return dateText(rowIndex);
    case StartTime:
        return live ? m_live.startTime : FormatClockTime(row.start);
    case TimeOnline:
        return live ? m_live.timeOnline : OnlineIntegerToString(row.seconds);
    case Download:
        return live ? m_live.received : FormatBytes(row.received);
    case Uploaded:
        return live ? m_live.transmitted : FormatBytes(row.sent);
    case AvgDown:
        return live ? m_live.averageReceiveRate : FormatListRate(row.averageReceived);
    case AvgUp:
        return live ? m_live.averageTransmitRate : FormatListRate(row.averageSent);
    case DailyDown:
        if (live)
            return m_live.dailyDownloaded;
        return key.session == key.count ? FormatBytes(row.dayReceived) : QString();
    case TotalDown:
        return live ? m_live.accountDownloaded : FormatBytes(row.listReceived);
    case Isp:
        return key.connection;
    default:
        return QString();
    }
}

QVariant PerformanceListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_keys.size() || index.column() >= ColumnCount)
        return QVariant();
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return centred(index.column()) ? QVariant(int(Qt::AlignCenter)) : leftAligned();
    return QVariant();
}

QVariant PerformanceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const captions[ColumnCount] = {"Day",      "Date",   "Start time", "Time Online",
                                                      "Download", "Uploaded", "Avg Down", "Avg Up",
                                                      "Daily Down", "Total Down", "ISP"};
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(captions[section]);
    if (role == Qt::TextAlignmentRole)
        return centred(section) ? QVariant(int(Qt::AlignCenter)) : leftAligned();
    return QVariant();
}
