#pragma once

#include "core/AppHooks.h"
#include "core/Platform.h"

#include <QString>
#include <memory>

class AutostartEntry;
class Clock;
class InstanceLock;
class Store;
class Ui;
struct AppContext;

constexpr const char *BackupFileName = "Tallyline Backup Database.reg";
constexpr const char *PreviousBackupFileName = "Previous Tallyline Database.Reg";

// The error shown when the backup offered at start-up cannot be restored;
// reason is the reader's message naming the file and the line at fault.
inline QString RestoreFailedText(const QString &reason)
{
    return QStringLiteral("The previous database could not be restored.\r%1\r\r"
                          "Nothing has been restored and the backup file has been left where it is.")
        .arg(reason);
}

struct StartupOptions {
    QString dataDirectory;     // --data-dir; empty means DefaultDataDirectory()
    QString executablePath;    // the running executable (version block, start-up entry)
    QString shippedDirectory;  // files copied into a new data directory; empty: FindShippedDirectory()
    int instanceWaitMs = 0;    // how long to wait for an instance that is still closing
    int screenWidth = 1024;
    int screenHeight = 768;
    // Maintain the desktop's autostart file (off for runs that must not touch it).
    bool useAutostartEntry = true;
};

// The program's entry sequence and the resources it owns for the whole run:
// the instance lock, the store and the application context.
class Startup
{
public:
    // platform: the machine's services for the run (the dial-up line comes
    // with the resident shell). Hooks left empty close the session and hang
    // up through the engine's own procedures.
    Startup(Ui &ui, Clock &clock, const Platform &platform = {}, const AppHooks &hooks = {});
    ~Startup();

    Startup(const Startup &) = delete;
    Startup &operator=(const Startup &) = delete;

    // Runs the sequence. True: go on into the event loop (context() is set);
    // false: end now with exitCode().
    bool run(const StartupOptions &options);
    int exitCode() const { return m_exitCode; }
    AppContext *context() const { return m_context.get(); }

    // Frees the store and releases the instance lock; done by the destructor too.
    void finish();

private:
    bool runSequence(const StartupOptions &options);
    bool prepareDataDirectory(const QString &directory);
    bool handleEmptyDatabase();
    bool convertIfNeeded(int userCount);
    bool end(int exitCode);

    Ui &m_ui;
    Clock &m_clock;
    Platform m_platform;
    AppHooks m_hooks;
    int m_exitCode = 0;
    std::unique_ptr<InstanceLock> m_lock;
    std::unique_ptr<Store> m_store;
    std::unique_ptr<AutostartEntry> m_autostart;
    std::unique_ptr<AppContext> m_context;
};

// After the windows exist and before the event loop: log-in, monitor window
// position, splash and, on a database without users, the setup wizard.
void InitialiseApplication(AppContext &ctx);

// Before the program ends: settings, start-up entry, optional hang-up, the
// backup file, the tray icon. A step that fails does not stop the later ones;
// the first failure is rethrown at the end.
void CloseAppAndTidy(AppContext &ctx);

// How long the exit waits for another program's lock on the database to
// write the session's last values.
constexpr int ExitLockWaitMs = 2000;

// Every way out ends here, once: closes the open session, writes what the
// database could not take so far, and CloseAppAndTidy. A failing step is
// reported through GlobalErrorHandler (so through ctx.ui, which says nothing
// on the screen once the program ends on a signal) and the next step runs.
void TidyUpForExit(AppContext &ctx);

// ~/.local/share/Kelmora/Tallyline (the application's data location).
QString DefaultDataDirectory();
// share/tallyline beside the executable (build tree), or <prefix>/share/tallyline
// for an executable installed in <prefix>/bin; empty when neither exists.
QString FindShippedDirectory(const QString &executablePath);
// Copies every shipped file that the data directory does not have yet.
void SeedDataDirectory(const QString &dataDirectory, const QString &shippedDirectory);
