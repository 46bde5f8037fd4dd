#include "core/ErrorReport.h"

QString InternalErrorText(const ErrorContext &context, const char *className, const QString &message)
{
    return QStringLiteral("An internal error has occured in Tallyline.\r\rProcedure : ") + context.procedure
        + QStringLiteral("\rUnit : ") + context.unit + QStringLiteral("\rClass Name : ")
        + (className ? QString::fromLatin1(className) : QStringLiteral("Unknown")) + QStringLiteral("\r\rError : ")
        + message
        + QStringLiteral("\r\rPlease make a note of the above information and report it to Orvane Software.\r\r")
        + QLatin1String(SupportAddress);
}
