#include "reports/gui/SessionExportDialog.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "reports/SessionListing.h"

#include <QDir>
#include <QFileDialog>

QString ExportSessionInfo(AppContext &ctx, QWidget *parent, const QString &periodText, const AccountPeriod &span)
{
    PROCEDURE_GUARD(ctx, "Properties", "Savesessioninfoas1Click");
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ExportSaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("*.txt"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(SessionExportFileName(ctx.login.CurrentUserName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString path = dialog.selectedFiles().constFirst();
    WriteSessionExport(ctx, path, periodText, span);
    return path;
}
