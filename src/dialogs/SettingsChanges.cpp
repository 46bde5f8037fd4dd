#include "dialogs/SettingsChanges.h"

#include "core/AppContext.h"
#include "store/SettingsRecord.h"
#include "users/Users.h"

#include <QFileInfo>

#include <algorithm>

QStringList TimeServerNames()
{
    QStringList names{
        QStringLiteral("0.debian.pool.ntp.org"),  QStringLiteral("0.pool.ntp.org"),
        QStringLiteral("1.debian.pool.ntp.org"),  QStringLiteral("1.pool.ntp.org"),
        QStringLiteral("2.debian.pool.ntp.org"),  QStringLiteral("2.pool.ntp.org"),
        QStringLiteral("3.debian.pool.ntp.org"),  QStringLiteral("3.pool.ntp.org"),
        QStringLiteral("africa.pool.ntp.org"),    QStringLiteral("asia.pool.ntp.org"),
        QStringLiteral("at.pool.ntp.org"),        QStringLiteral("au.pool.ntp.org"),
        QStringLiteral("be.pool.ntp.org"),        QStringLiteral("br.pool.ntp.org"),
        QStringLiteral("ca.pool.ntp.org"),        QStringLiteral("ch.pool.ntp.org"),
        QStringLiteral("de.pool.ntp.org"),        QStringLiteral("dk.pool.ntp.org"),
        QStringLiteral("es.pool.ntp.org"),        QStringLiteral("europe.pool.ntp.org"),
        QStringLiteral("fi.pool.ntp.org"),        QStringLiteral("fr.pool.ntp.org"),
        QStringLiteral("ie.pool.ntp.org"),        QStringLiteral("in.pool.ntp.org"),
        QStringLiteral("it.pool.ntp.org"),        QStringLiteral("jp.pool.ntp.org"),
        QStringLiteral("nl.pool.ntp.org"),        QStringLiteral("no.pool.ntp.org"),
        QStringLiteral("north-america.pool.ntp.org"), QStringLiteral("ntp.nict.jp"),
        QStringLiteral("ntp.metas.ch"),           QStringLiteral("ntp.ubuntu.com"),
        QStringLiteral("ntp1.npl.co.uk"),         QStringLiteral("nz.pool.ntp.org"),
        QStringLiteral("oceania.pool.ntp.org"),   QStringLiteral("pl.pool.ntp.org"),
        QStringLiteral("pool.ntp.org"),           QStringLiteral("ptbtime1.ptb.de"),
        QStringLiteral("ptbtime2.ptb.de"),        QStringLiteral("se.pool.ntp.org"),
        QStringLiteral("south-america.pool.ntp.org"), QStringLiteral("time.apple.com"),
        QStringLiteral("time.cloudflare.com"),    QStringLiteral("time.euro.apple.com"),
        QStringLiteral("time.facebook.com"),      QStringLiteral("time.google.com"),
        QStringLiteral("time.nist.gov"),          QStringLiteral("time.nrc.ca"),
        QStringLiteral("time.windows.com"),       QStringLiteral("time1.google.com"),
        QStringLiteral("time2.google.com"),       QStringLiteral("time3.google.com"),
        QStringLiteral("time4.google.com"),       QStringLiteral("time-a-g.nist.gov"),
        QStringLiteral("time-b-g.nist.gov"),      QStringLiteral("tick.usno.navy.mil"),
        QStringLiteral("tock.usno.navy.mil"),     QStringLiteral("uk.pool.ntp.org"),
        QStringLiteral("us.pool.ntp.org"),
    };
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

QStringList KeepAliveHostPresets()
{
    return {QStringLiteral("1.1.1.1"), QStringLiteral("8.8.8.8"), QStringLiteral("9.9.9.9")};
}

QString SecondsBoxText(const QString &text)
{
    return text.left(SecondsBoxLength);
}

int NumberOrZero(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

namespace {
// Radio order of the modem page → detection type.
constexpr int RadioTypes[] = {1, 0, 2};
} // namespace

int ModemDetectionRadio(int detectionType)
{
    for (int radio = 0; radio < 3; ++radio)
        if (RadioTypes[radio] == detectionType)
            return radio;
    return 1;
}

int ModemDetectionTypeOfRadio(int radio)
{
    return radio >= 0 && radio < 3 ? RadioTypes[radio] : 0;
}

ReconnectionChoice ReconnectionChoiceOf(const Settings &settings)
{
    if (settings.PromptForReconnection)
        return ReconnectionChoice::Prompt;
    if (settings.AutoReconnectConnection)
        return ReconnectionChoice::Reconnect;
    return ReconnectionChoice::Nothing;
}

void ApplyReconnectionChoice(Settings &settings, ReconnectionChoice choice)
{
    settings.PromptForReconnection = choice == ReconnectionChoice::Prompt;
    settings.AutoReconnectConnection = choice == ReconnectionChoice::Reconnect;
}

QString SoundBoxText(const QString &path)
{
    return QFileInfo(path).fileName();
}

void ApplySettings(AppContext &ctx, const Settings &chosen)
{
    PROCEDURE_GUARD(ctx, "Settings", "OKButtonClick");
    ctx.settings = chosen;
    const Settings &s = ctx.settings;
    ctx.currencySymbol = s.OverrideCurrency ? s.OverrideCurrencyString : ctx.startup.systemCurrencySymbol;

    // Nobody logged out can reach the dialog, but a menu of a logged-out
    // program must not come back to life through it either.
    TrayMenuState &menu = ctx.shell.Menu;
    menu.AutoDetectionItemEnabled =
        ctx.login.LoggedIn && s.AutoOpenSession && !RestrictionApplies(ctx, DisableTimezoneEditing);
    Q_EMIT ctx.events.menuStateChanged();
    Q_EMIT ctx.events.settingsApplied();

    WriteSettingsToDatabase(ctx);
}
