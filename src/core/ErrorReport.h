#pragma once

#include <QString>

// The unit label and procedure name of the procedure entered last; the
// internal error report names them.
struct ErrorContext {
    QString unit = QStringLiteral("Tallyline Main Unit");
    QString procedure = QStringLiteral("N/A");
};

// Records the procedure on entry: PROCEDURE_GUARD(ctx, "Global Unit", "OpenSession");
class ProcedureGuard
{
public:
    ProcedureGuard(ErrorContext &context, const char *unit, const char *procedure)
    {
        context.unit = QLatin1String(unit);
        context.procedure = QLatin1String(procedure);
    }
};

#define PROCEDURE_GUARD(ctx, unit, name) const ProcedureGuard procedureGuard_((ctx).errorContext, unit, name)

// The text of the internal error box. className is null when there is no
// exception object.
QString InternalErrorText(const ErrorContext &context, const char *className, const QString &message);

constexpr const char *SupportAddress = "support@kelmora.example";
