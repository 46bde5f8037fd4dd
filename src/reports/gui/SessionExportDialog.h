#pragma once

#include "account_window/AccountPeriodList.h"

class QWidget;
struct AppContext;

// "&Export Session Info...": asks where to save (proposing the user's name
// + " Session info.txt") and writes the text file for the span; a cancelled
// dialog writes nothing. Returns the file written, or an empty text.
QString ExportSessionInfo(AppContext &ctx, QWidget *parent, const QString &periodText, const AccountPeriod &span);
