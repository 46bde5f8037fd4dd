#include "session/ProgramList.h"

#include "core/AppContext.h"
#include "platform/ProgramLauncher.h"
#include "session/SessionLifecycle.h"
#include "store/Store.h"
#include "tariff/DayTypes.h"
#include "users/UserRecord.h"

#include <QFileInfo>

// --- The list ---------------------------------------------------------------

ProgramListModel::ProgramListModel(AppContext &ctx, QObject *parent) : QAbstractTableModel(parent), m_ctx(ctx) {}

void ProgramListModel::rebuild()
{
    PROCEDURE_GUARD(m_ctx, "Global Unit", "UpdateProgramsList");
    QList<SessionProgram> rows;
    if (m_ctx.login.LoggedIn) {
        const int count = ReadNumberOfPrograms(m_ctx);
        m_ctx.login.NumberOfPrograms = count;
        for (int p = 1; p <= count; ++p)
            rows.append(ReadProgramRecord(m_ctx.store, m_ctx.login.CurrentUser, p));
    }
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

void ProgramListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int ProgramListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ProgramListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProgramListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size())
        return {};
    const SessionProgram &row = m_rows[index.row()];
    switch (index.column()) {
    case FileName:
        return row.filename;
    case Close:
        return row.autoProgramClose ? QStringLiteral("Yes") : QStringLiteral("No");
    case Start:
        return DecodeHoursMinutesString(row.startTime);
    case End:
        return DecodeHoursMinutesString(row.endTime);
    case Days:
        return ProgramDaysText(row.days);
    }
    return {};
}

QVariant ProgramListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const captions[ColumnCount] = {"File name", "Close", "Start", "End", "Days"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return QLatin1String(captions[section]);
}

QString ProgramDaysText(int days)
{
    static const char *const names[] = {"Mon,", "Tue,", "Wed,", "Thu,", "Fri,", "Sat,", "Sun,"};
    QString text;
    for (int bit = 0; bit < 7; ++bit)
        if (days & (1 << bit))
            text += QLatin1String(names[bit]);
    text.chop(1);
    return text;
}

int ReadNumberOfPrograms(AppContext &ctx)
{
    int count = 0;
    ctx.store.ReadStoreInteger(QStringLiteral("NumberOfPrograms"), UserKey(ctx.login.CurrentUser), count);
    return qMax(count, 0);
}

// --- Editing ----------------------------------------------------------------

SessionProgram ProgramRecordFromEditor(const ProgramEditorInput &in)
{
    SessionProgram r;
    r.filename = in.filename;
    r.autoProgramClose = in.autoClose;
    if (in.alwaysRuns) {
        r.useTimeZone = 0;
        r.startTime = 0;
        r.endTime = 0;
        r.days = 255;
    } else {
        r.useTimeZone = 1;
        r.startTime = in.startHours * 60 + in.startMinutes;
        r.endTime = in.endHours * 60 + in.endMinutes;
        r.days = in.days & 0x7f;
    }
    return r;
}

bool StoreProgram(AppContext &ctx, int program, const ProgramEditorInput &input)
{
    PROCEDURE_GUARD(ctx, "AddEditApp", "Button1Click");
    if (!QFileInfo(input.filename).isFile()) {
        ctx.ui.showMessage(MessageKind::Warning, QStringLiteral("The application you have entered either has an "
                                                                "invalid path or does not exist."));
        return false;
    }
    const int user = ctx.login.CurrentUser;
    const int count = ReadNumberOfPrograms(ctx);
    const int number = program >= 1 && program <= count ? program : count + 1;
    {
        Store::Transaction transaction(ctx.store);
        if (number > count) {
            UserRecord counts;
            counts.numberOfPrograms = number;
            WriteUserRecord(ctx.store, user, counts, UserNumberOfPrograms);
        }
        WriteProgramRecord(ctx.store, user, number, ProgramRecordFromEditor(input));
        transaction.commit();
    }
    ctx.login.NumberOfPrograms = qMax(count, number);
    Q_EMIT ctx.events.programListChanged();
    return true;
}

bool RemoveProgram(AppContext &ctx, int program)
{
    PROCEDURE_GUARD(ctx, "Properties", "Button2Click");
    const int user = ctx.login.CurrentUser;
    const int count = ReadNumberOfPrograms(ctx);
    if (program < 1 || program > count)
        return false;
    if (ctx.settings.DeletePrompt
        && !ctx.ui.confirm(QStringLiteral("Are you sure you want to remove this program from the list?")))
        return false;
    ctx.store.DeleteNumberedRecord(UserKey(user) + QStringLiteral("\\Programs"), QStringLiteral("Program"), program,
                                   UserKey(user), QStringLiteral("NumberOfPrograms"));
    ctx.login.NumberOfPrograms = count - 1;
    Q_EMIT ctx.events.programListChanged();
    return true;
}

bool RunListedProgram(AppContext &ctx, int program)
{
    PROCEDURE_GUARD(ctx, "Properties", "Button20Click");
    if (program < 1 || program > ReadNumberOfPrograms(ctx) || !ctx.platform.launcher)
        return false;
    const SessionProgram record = ReadProgramRecord(ctx.store, ctx.login.CurrentUser, program);
    ProgramCommand command;
    if (!SplitProgramCommand(record.filename, command))
        return false;
    return ctx.platform.launcher->start(command.program, command.arguments, command.workingDirectory).isValid();
}
