#include "session/SessionRecordWriter.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "session/SessionRecord.h"
#include "session/SessionRecords.h"

#include <QDir>
#include <QScopeGuard>

#include <algorithm>

namespace {

SessionRecordValues currentValues(const AppContext &ctx, DateTime now, bool withConnectionName)
{
    const PricingState &p = ctx.pricing;
    const ConnectionState &c = ctx.connection;
    SessionRecordValues v;
    v.user = ctx.login.CurrentUser;
    v.sessionDay = p.SessionDay;
    v.numbered = !ctx.recordWrites.openRecordUnnumbered;
    v.closed = !ctx.shell.SessionOpen;
    v.start = p.SessionStart;
    v.end = now;
    v.secondsOnline = p.SecondsOnline;
    v.cost = p.SessionCost;
    v.received = c.TotalReceived;
    v.transmitted = c.TotalTransmitted;
    v.averageReceiveRate = c.AverageReceiveRate;
    v.averageTransmitRate = c.AverageTransmitRate;
    v.writeConnection = withConnectionName;
    if (withConnectionName)
        v.connection = c.ConnectedEntryName;
    return v;
}

// The open session's newer values replace its older pending ones. The
// connection a tick would have written survives a close, which writes
// none (and has forgotten it by then): a session that opened and closed
// while nothing could be written still gets it.
void keepPending(SessionRecordWriteState &w, SessionRecordValues v)
{
    if (!w.pending.isEmpty() && !w.pending.last().closed) {
        const SessionRecordValues &older = w.pending.last();
        if (!v.writeConnection && older.writeConnection) {
            v.writeConnection = true;
            v.connection = older.connection;
        }
        w.pending.last() = v;
        return;
    }
    w.pending.append(v);
}

void writeRecord(AppContext &ctx, const SessionRecordValues &v)
{
    int m = ReadNumberOfSessions(ctx.store, v.user, v.sessionDay);
    if (!v.numbered) {
        ++m;
        WriteNumberOfSessions(ctx.store, v.user, v.sessionDay, m);
    } else if (m < 1) {
        // Its record has gone (the day was deleted): nothing to write.
        return;
    }
    SessionRecord r;
    r.startTime = v.start;
    r.endTime = TimeOf(v.end);
    r.endDate = DateOf(v.end);
    r.timeOnline = double(v.secondsOnline);
    r.cost = v.cost;
    r.totalDownloaded = double(v.received);
    r.totalUploaded = double(v.transmitted);
    r.avgDownload = v.averageReceiveRate;
    r.avgUpload = v.averageTransmitRate;
    if (v.writeConnection)
        r.connection = v.connection;
    WriteSessionRecord(ctx.store, v.user, v.sessionDay, m, r);
}

void reportOnce(AppContext &ctx)
{
    SessionRecordWriteState &w = ctx.recordWrites;
    if (w.failureReported)
        return;
    const qint64 now = ctx.clock.now().toMSecsSinceEpoch();
    if (w.failure != StoreError::Cause::IoError && now - w.failingSinceMs < RecordWriteReportDelayMs)
        return;
    w.failureReported = true;
    const QString file = ctx.store.filePath();
    const QString text = w.failure == StoreError::Cause::Locked   ? DatabaseLockedMessage(file)
                       : w.failure == StoreError::Cause::DiskFull ? DatabaseDiskFullMessage(file)
                                                                  : DatabaseIoErrorMessage(file);
    // Ticks go on under the box, and write as soon as they can. Outside a
    // tick (a command from the menu) the main timer keeps its switch.
    const bool timerEnabled = ctx.shell.Timer1Enabled;
    ctx.ui.showMessageFromTick(MessageKind::Warning, text);
    ctx.shell.Timer1Enabled = timerEnabled;
}

// Writes everything pending in one transaction. False when the database
// is locked, the disk is full or failed; other failures are thrown. The pending
// values stay until a write succeeds.
bool flush(AppContext &ctx)
{
    SessionRecordWriteState &w = ctx.recordWrites;
    if (w.pending.isEmpty())
        return true;
    try {
        Store::Transaction tx(ctx.store, Store::Transaction::Lock::Immediate);
        for (const SessionRecordValues &v : std::as_const(w.pending))
            writeRecord(ctx, v);
        tx.commit();
    } catch (const StoreError &e) {
        if (e.cause() == StoreError::Cause::Other)
            throw;
        const qint64 now = ctx.clock.now().toMSecsSinceEpoch();
        // A clock set back must not put the report off.
        if (!w.failing || now < w.failingSinceMs)
            w.failingSinceMs = now;
        w.failing = true;
        w.failure = e.cause();
        return false;
    }
    const bool openWritten = std::any_of(w.pending.cbegin(), w.pending.cend(),
                                         [](const SessionRecordValues &v) { return !v.closed; });
    if (openWritten)
        w.openRecordUnnumbered = false;
    w.pending.clear();
    w.failing = false;
    w.failureReported = false;
    return true;
}

} // namespace

void BeginSessionRecord(AppContext &ctx)
{
    // Whatever is still pending belongs to sessions before this one, even
    // if a close never got as far as its own write: the new session's
    // values must go after them, not over them.
    for (SessionRecordValues &v : ctx.recordWrites.pending)
        v.closed = true;
    ctx.recordWrites.openRecordUnnumbered = true;
}

void WriteSessionRecordValues(AppContext &ctx, DateTime now, bool withConnectionName)
{
    keepPending(ctx.recordWrites, currentValues(ctx, now, withConnectionName));
    if (!flush(ctx))
        reportOnce(ctx);
}

void RetrySessionRecordWrites(AppContext &ctx)
{
    if (ctx.recordWrites.pending.isEmpty())
        return;
    if (!flush(ctx))
        reportOnce(ctx);
}

void FlushSessionRecordWritesForExit(AppContext &ctx, int waitMs)
{
    SessionRecordWriteState &w = ctx.recordWrites;
    if (w.pending.isEmpty())
        return;
    ctx.store.setBusyTimeout(waitMs);
    const auto restore = qScopeGuard([&ctx] { ctx.store.setBusyTimeout(Store::DefaultBusyTimeoutMs); });
    if (flush(ctx))
        return;
    const QString file = QDir::toNativeSeparators(ctx.store.filePath());
    throw StoreError(w.failure == StoreError::Cause::Locked
                         ? QStringLiteral("The session's last values were not saved: another program holds the "
                                          "Tallyline database '%1' locked.").arg(file)
                     : w.failure == StoreError::Cause::DiskFull
                         ? QStringLiteral("The session's last values were not saved: the disk holding the "
                                          "Tallyline database '%1' is full.").arg(file)
                         : QStringLiteral("The session's last values were not saved: the disk holding the "
                                          "Tallyline database '%1' failed to write them.").arg(file),
                     w.failure);
}

bool SessionRecordWritesPending(const AppContext &ctx)
{
    return !ctx.recordWrites.pending.isEmpty();
}

QString DatabaseLockedMessage(const QString &databaseFile)
{
    return QStringLiteral("Tallyline cannot save the session: another program holds its database '%1' locked. "
                          "The session's values are kept and will be saved once that program lets go of it.")
        .arg(QDir::toNativeSeparators(databaseFile));
}

QString DatabaseIoErrorMessage(const QString &databaseFile)
{
    return QStringLiteral("Tallyline cannot save the session: the disk holding its database '%1' failed to read or "
                          "write it. The session's values are kept and will be saved as soon as the disk allows.")
        .arg(QDir::toNativeSeparators(databaseFile));
}

QString DatabaseDiskFullMessage(const QString &databaseFile)
{
    return QStringLiteral("Tallyline cannot save the session: the disk holding its database '%1' is full. "
                          "The session's values are kept and will be saved once there is space again.")
        .arg(QDir::toNativeSeparators(databaseFile));
}
