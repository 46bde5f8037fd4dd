#include "dialogs/Tips.h"

const QStringList &TipTexts()
{
    static const QStringList texts = {
        QStringLiteral("If you can't see all of the online timer on the taskbar then hold the mouse pointer over it "
                       "for a second and a tooltip will pop up."),
        QStringLiteral("You can save time && effort by saving your time-zone information as a preset."),
        QStringLiteral("The easiest way to define your time-zones is to define them for one day and then copy them "
                       "to the other days of the week."),
        QStringLiteral("Security options on the settings window allow you to restrict internet access. Useful for "
                       "parents!"),
        QStringLiteral("Timezone presets are saved as '.tzp' files in the tallyline directory. Please email these to "
                       "Orvane Software to help build a database of time-zones."),
        QStringLiteral("You can quickly correct your bill date from the account bill window, accessable from the "
                       "toolbar."),
        QStringLiteral("You can set Tallyline up to automatically run email programs etc., when you connect to the "
                       "internet. This can be done from the 'Programs' tab on the main accounts window."),
        QStringLiteral("Even if you are not charged for local phone calls, tallyline is still useful in keeping "
                       "track of your internet usage. You can also account for your ISP costs."),
        QStringLiteral("You can easily access frequently used functions by right clicking on the Tallyline icon on "
                       "the system tray in the bottom right of your screen."),
        QStringLiteral("When creating multiple user accounts, set the admin account up first and then you can copy "
                       "all the timezones and alarms etc to each new account."),
        QStringLiteral("You can edit previous sessions to make any necessary adjustments. Click the edit button on "
                       "the 'sessions' page."),
        QStringLiteral("The majority of phone companies use weekend rates on public holidays. Tallyline can "
                       "automatically detect holidays, you can define any holidays on the 'phone charges' page."),
        QStringLiteral("New versions of Tallyline, news and more tips are published on the Tallyline home page at "
                       "https://tallyline.example.org/ - have a look from time to time."),
        QStringLiteral("Tallyline can automatically 'hang-up' the phone if you haven't used the internet after so "
                       "many minutes. See the 'advanced' online settings options on the settings window."),
        QStringLiteral("You can add more information items on the session list and performance list via the "
                       "settings window."),
    };
    return texts;
}

int NextTipPosition(int position)
{
    return position >= 1 && position < TipCount() ? position + 1 : 1;
}

QString TipDisplayText(int position)
{
    if (position < 1 || position > TipCount())
        return QString();
    return QString(TipTexts().at(position - 1)).replace(QStringLiteral("&&"), QStringLiteral("&"));
}
