#include "account_window/SessionRemoval.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "session/SessionRecord.h"
#include "tariff/AccountPeriods.h"

bool RemoveListedSession(AppContext &ctx, DateTime day, int session)
{
    PROCEDURE_GUARD(ctx, "Properties", "RemoveSessionButtonClick");
    if (ctx.shell.SessionOpen) {
        ctx.ui.showMessage(MessageKind::Confirmation, QStringLiteral("Please close the current session first."));
        return false;
    }
    if (session <= 0)
        return false;
    if (ctx.settings.DeletePrompt
        && !ctx.ui.confirm(QStringLiteral("Are you sure you want to remove the selected sessions?")))
        return false;
    if (!RemoveSessionRecord(ctx.store, ctx.login.CurrentUser, day, session))
        return false;
    CalculateAccountTotals(ctx, ctx.tariff.AccountEndDate, ctx.tariff.AccountStartDate);
    CalculateDailyTotals(ctx);
    Q_EMIT ctx.events.sessionRecordChanged(day, session);
    return true;
}
