#include "session/SessionRecords.h"

#include "core/AppContext.h"
#include "core/Errors.h"

double GetFromDataFile(AppContext &ctx, int user, int session, int field, DateTime day)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "GetFromDataFile");
    if (field < 0 || field >= SessionFieldCount)
        throw TallylineError(QStringLiteral("Session field code %1 does not exist").arg(field));
    return ReadSessionField(ctx.store, user, session, field, day);
}

void WriteToDataFile(AppContext &ctx, int user, int session, int field, double value, DateTime day)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "WriteToDataFile");
    if (field < 0 || field >= SessionFieldCount)
        throw TallylineError(QStringLiteral("Session field code %1 does not exist").arg(field));
    WriteSessionField(ctx.store, user, session, field, value, day);
}
