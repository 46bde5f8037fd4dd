#pragma once

#include "account_window/MainForm.h"
#include "app/MainAppForm.h"
#include "app/gui/BoxRequests.h"
#include "app/gui/Windows.h"
#include "core/AppContext.h"
#include "platform/ProgramLauncher.h"
#include "platform/SoundPlayer.h"
#include "support/SessionFixture.h"
#include "users/Users.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QtTest>

#include <sodium.h>

#include <functional>

namespace testsupport {

// The account window as the program opens it: the real owner, tray form and
// boxes on the simulated line, with users "Admin" and "Ann" (password "pw")
// on one ISP, the fake sound player and program launcher, and nobody
// logged in.
struct AccountWindowProgram {
    AccountWindowProgram()
    {
        ctx.startup.programDirectory = temp.dir.path() + QLatin1Char('/');
        ctx.currencySymbol = QStringLiteral("\u00a3");
        ctx.login.PasswordCost.opsLimit = crypto_pwhash_OPSLIMIT_MIN;
        ctx.login.PasswordCost.memLimit = crypto_pwhash_MEMLIMIT_MIN;
        ctx.settings.DisplayBillWindow = false;
        ctx.settings.ShowTipForm = false;
        ctx.platform.sound = &sound;
        ctx.platform.launcher = &launcher;
        admin = AddSeedUser(*temp.store, ctx.settings, {QStringLiteral("Admin"), QStringLiteral("pw")});
        ann = AddSeedUser(*temp.store, ctx.settings, {QStringLiteral("Ann"), QStringLiteral("pw")});
        for (int user : {admin, ann})
            TariffSeed(*temp.store, user)
                .isp(1, QStringLiteral("Default"), QStringLiteral("Any"))
                .bands(1, 3, {{0, 1439, 0.60, 0, 0}});
        windows.startResidentShell(ctx);
    }

    bool logIn(const QString &name)
    {
        return LogInWithPassword(ctx, name, QStringLiteral("pw")) == LoginResult::LoggedIn;
    }

    // "Account Details" in the tray menu.
    TMainForm *openFromTray()
    {
        windows.mainAppForm()->accountInformationItem()->trigger();
        return windows.accountWindow();
    }

    TempStore temp;
    FakeClock clock{QDateTime(QDate(2001, 1, 10), QTime(12, 0))};
    FakeSoundPlayer sound;
    FakeProgramLauncher launcher;
    AppContext ctx{*temp.store, clock, windows};
    Windows windows{clock, QStringLiteral("simulated")};
    int admin = 0;
    int ann = 0;
};

// Presses a button (OK, Yes, No, Cancel) on the next message box to open,
// adding its text to `seen` when given.
inline void AnswerNextBox(const QString &button, QStringList *seen = nullptr)
{
    QTimer::singleShot(0, [button, seen] {
        if (seen) {
            const QString open = AnswerBoxRequest(QStringLiteral("boxes"), QString()).value_or(QString());
            for (const QString &line : open.split(QLatin1Char('\n')))
                if (line.startsWith(QLatin1String("box: ")))
                    seen->append(line.mid(5));
        }
        AnswerBoxRequest(QStringLiteral("answer"), button);
    });
}

// Acts on the modal window of type Form that the next step opens, once it
// is up; act ends by closing it. Whatever else is up instead is closed, and
// so is the window when act leaves it open, so that no test hangs on it.
template <class Form>
void WhenOpen(std::function<void(Form *)> act)
{
    QTimer::singleShot(0, [act] {
        auto *form = qobject_cast<Form *>(QApplication::activeModalWidget());
        if (!form) {
            if (QWidget *other = QApplication::activeModalWidget())
                other->close();
            QFAIL("the expected window did not open");
        }
        act(form);
        // A check that failed inside act left it early: the window must not
        // stay open over the rest of the test.
        if (form->isVisible())
            form->reject();
    });
}

} // namespace testsupport
