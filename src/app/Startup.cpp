#include "app/Startup.h"
#include "tariff/Formatting.h"

#include "app/BuildInfo.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "core/GlobalErrorHandler.h"
#include "platform/Autostart.h"
#include "platform/InstanceLock.h"
#include "session/DialUp.h"
#include "session/SessionLifecycle.h"
#include "session/SessionRecordWriter.h"
#include "store/FloatText.h"
#include "store/GeneralRoutines.h"
#include "store/RegFile.h"
#include "store/SettingsRecord.h"
#include "store/Version1Converter.h"
#include "tools/ClockCorrection.h"
#include "users/Passwords.h"
#include "users/Users.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include <cerrno>
#include <cmath>
#include <sys/stat.h>

namespace {

const QString ClosingText =
    QStringLiteral("Tallyline will now be closed. Please reload tallyline for the new database to take effect.");

// A backup without users (a first run whose wizard was cancelled) would
// restore nothing. One that cannot be read may still hold the user's data:
// it is offered, and the restore says what is wrong with it.
bool BackupHoldsUsers(const QString &backup)
{
    try {
        return RegFileUserCount(backup) > 0;
    } catch (const RegFileError &) {
        return true;
    }
}

// Creates every missing directory of path, owner-only like the database it
// will hold, whatever the umask. Directories that exist keep their mode.
bool MakeOwnerOnlyPath(const QString &path)
{
    QStringList missing;
    for (QString dir = QDir::cleanPath(QDir(path).absolutePath()); !QFileInfo::exists(dir);
         dir = QFileInfo(dir).absolutePath()) {
        missing.prepend(dir);
        if (dir == QLatin1String("/"))
            break;
    }
    for (const QString &dir : std::as_const(missing)) {
        const QByteArray name = QFile::encodeName(dir);
        if (::mkdir(name.constData(), 0700) == 0)
            ::chmod(name.constData(), 0700);  // the umask may have taken bits away
        else if (errno != EEXIST)
            return false;
    }
    return QFileInfo(path).isDir();
}

} // namespace

QString DefaultDataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString FindShippedDirectory(const QString &executablePath)
{
    const QDir dir = QFileInfo(executablePath).absoluteDir();
    // The build tree keeps them beside the executable; an installed program
    // in <prefix>/share/tallyline, seen from <prefix>/bin.
    for (const QString &candidate : {QStringLiteral("share/tallyline"), QStringLiteral(TALLYLINE_SHIPPED_FROM_BIN)}) {
        const QString path = QDir::cleanPath(dir.filePath(candidate));
        if (QFileInfo(path).isDir())
            return path;
    }
    return QString();
}

void SeedDataDirectory(const QString &dataDirectory, const QString &shippedDirectory)
{
    if (shippedDirectory.isEmpty())
        return;
    const QDir source(shippedDirectory);
    const QDir target(dataDirectory);
    QDirIterator it(shippedDirectory, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString relative = source.relativeFilePath(from);
        if (relative.startsWith(QLatin1Char('.')) || relative.contains(QStringLiteral("/.")))
            continue;
        const QString to = target.filePath(relative);
        if (QFileInfo::exists(to))
            continue;
        // A file that cannot be copied is simply missing later (a silent
        // sound, an absent preset); it is no reason not to start.
        MakeOwnerOnlyPath(QFileInfo(to).absolutePath());
        if (QFile::copy(from, to))
            QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

Startup::Startup(Ui &ui, Clock &clock, const Platform &platform, const AppHooks &hooks)
    : m_ui(ui), m_clock(clock), m_platform(platform), m_hooks(hooks)
{
    if (!m_hooks.closeSession)
        m_hooks.closeSession = CloseSession;
    if (!m_hooks.hangUpAllConnections)
        m_hooks.hangUpAllConnections = HangUpAllConnections;
    if (!m_hooks.getTimeFromServer)
        m_hooks.getTimeFromServer = [](AppContext &ctx) { GetTimeFromServer(ctx, ctx.settings.NTPClockServer); };
}

Startup::~Startup()
{
    finish();
}

void Startup::finish()
{
    m_context.reset();
    m_store.reset();
    if (m_lock)
        m_lock->release();
}

bool Startup::end(int exitCode)
{
    m_exitCode = exitCode;
    finish();
    return false;
}

bool Startup::run(const StartupOptions &options)
{
    try {
        return runSequence(options);
    } catch (...) {
        const ErrorContext fallback;
        ShowInternalError(m_ui, m_context ? m_context->errorContext : fallback, std::current_exception());
        return end(1);
    }
}

bool Startup::prepareDataDirectory(const QString &directory)
{
    if (!MakeOwnerOnlyPath(directory)) {
        m_ui.showMessage(MessageKind::Error,
                         QStringLiteral("Tallyline cannot create its data directory '%1'.\rTallyline will now be closed.")
                             .arg(QDir::toNativeSeparators(directory)));
        return false;
    }
    return true;
}

bool Startup::runSequence(const StartupOptions &options)
{
    QString dataDirectory = options.dataDirectory.isEmpty() ? DefaultDataDirectory() : options.dataDirectory;
    dataDirectory = QDir::cleanPath(QDir(dataDirectory).absolutePath());
    if (!prepareDataDirectory(dataDirectory))
        return end(1);

    m_lock = std::make_unique<InstanceLock>(dataDirectory);
    switch (m_lock->acquire(options.instanceWaitMs)) {
    case InstanceLock::Result::Acquired:
        break;
    case InstanceLock::Result::HeldByAnother:
        return end(0);  // only one instance runs; the second one ends without a word
    case InstanceLock::Result::Failed:
        m_ui.showMessage(MessageKind::Error,
                         QStringLiteral("Tallyline cannot write to its data directory '%1'.\r"
                                        "Tallyline will now be closed.")
                             .arg(QDir::toNativeSeparators(dataDirectory)));
        return end(1);
    }

    SeedDataDirectory(dataDirectory,
                      options.shippedDirectory.isEmpty() ? FindShippedDirectory(options.executablePath)
                                                         : options.shippedDirectory);

    StartupValues values;
    values.executablePath = options.executablePath;
    values.dataDirectoryArgument = options.dataDirectory.isEmpty() ? QString() : dataDirectory;
    const FileVersion version = GetFileVersion(options.executablePath);
    values.versionText = QStringLiteral("%1.%2 Build %3").arg(version.major).arg(version.minor).arg(version.build);
    values.majorVersion = version.major;
    values.programDirectory = dataDirectory + QLatin1Char('/');
    values.systemCurrencySymbol = QLocale().currencySymbol(QLocale::CurrencySymbol);
    values.screenWidth = options.screenWidth;
    values.screenHeight = options.screenHeight;

    const QString storePath = QDir(dataDirectory).filePath(QString::fromLatin1(Store::DefaultFileName));
    try {
        m_store = Store::open(storePath);
    } catch (const StoreOpenError &e) {
        m_ui.showMessage(MessageKind::Error, e.message() + QStringLiteral("\rTallyline will now be closed."));
        return end(1);
    }

    m_context = std::make_unique<AppContext>(*m_store, m_clock, m_ui);
    AppContext &ctx = *m_context;
    ctx.startup = values;
    ctx.hooks = m_hooks;
    ctx.platform = m_platform;
    if (options.useAutostartEntry) {
        m_autostart = std::make_unique<AutostartEntry>();
        ctx.platform.autostart = m_autostart.get();
    }
    ctx.settings.TaskBarWindowX = int(std::lround(values.screenWidth / 2.0 - 70.5));
    ctx.settings.TaskBarWindowY = 0;

    const int userCount = StoredUserCount(*m_store);
    if (userCount == 0 && !handleEmptyDatabase())
        return false;

    ReadSettingsFromDatabase(ctx);

    if (!convertIfNeeded(userCount))
        return false;

    // Passwords an older version kept as typed are not left readable in the
    // store until each user happens to type them again. Should that fail
    // (no memory for the hash), nothing was written, the plain passwords
    // still work and the next start tries again: no reason not to start.
    try {
        HashPlainPasswords(ctx);
    } catch (const TallylineError &) {
    }

    ctx.ui.startResidentShell(ctx);
    InitialiseApplication(ctx);
    return true;
}

bool Startup::handleEmptyDatabase()
{
    AppContext &ctx = *m_context;
    const QString backup = ctx.startup.programDirectory + QLatin1String(BackupFileName);
    if (!QFileInfo::exists(backup) || !BackupHoldsUsers(backup))
        return true;
    if (m_ui.confirm(QStringLiteral("Tallyline has detected a previous database\r"
                                    "Would you like to restore previous settings, users and session information?"))) {
        try {
            ImportRegFile(*m_store, backup);
        } catch (const TallylineError &e) {
            // The import is all or nothing: the database is as it was, so
            // start-up goes on with it. The file stays for another try.
            m_ui.showMessage(MessageKind::Error, RestoreFailedText(e.message()));
            return true;
        }
        m_ui.showMessage(MessageKind::Information, ClosingText);
        return end(0);
    }
    // When the rename fails the file stays and the question comes again next time.
    QFile::rename(backup, ctx.startup.programDirectory + QLatin1String(PreviousBackupFileName));
    m_ui.showMessage(MessageKind::Information,
                     QStringLiteral("If you want to restore the old database in the future, locate the file "
                                    "'Previous Tallyline Database.Reg' in the tallyline directory."));
    return true;
}

bool Startup::convertIfNeeded(int userCount)
{
    AppContext &ctx = *m_context;
    ctx.startup.databaseVersion = StoredDatabaseVersion(*m_store);
    if (ctx.startup.databaseVersion == CurrentDatabaseVersion || userCount == 0)
        return true;

    m_ui.showMessage(MessageKind::Information,
                     QStringLiteral("This version of Tallyline uses a newer database format. \r"
                                    "Tallyline will now convert all your settings, user sessions, alarms etc into "
                                    "the new format.\r\rPlease press OK to proceed with the conversion."));
    try {
        ConvertVersion1Database(ctx);
    } catch (const TallylineError &e) {
        // What was converted stays; the next start works on it.
        m_ui.showMessage(MessageKind::Error, e.message());
        return end(1);
    } catch (const std::exception &e) {
        m_ui.showMessage(MessageKind::Error, QString::fromLocal8Bit(e.what()));
        return end(1);
    }
    m_ui.showMessage(MessageKind::Information, ClosingText);
    return end(0);
}

void InitialiseApplication(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "InitialiseApplication");
    Settings &s = ctx.settings;
    ctx.startup.helpFile = ctx.startup.programDirectory + QStringLiteral("Tallyline.hlp");
    ctx.startup.savedCurrencyDecimals = LocaleCurrencyDecimals();

    StartUpLogon(ctx);

    // A monitor position saved on a larger screen would put it out of
    // sight; the monitor goes to the saved position whenever it is shown.
    if (s.TaskBarWindowX >= ctx.startup.screenWidth || s.TaskBarWindowY >= ctx.startup.screenHeight) {
        s.TaskBarWindowX = int(std::lround(ctx.startup.screenWidth / 2.0 - ctx.startup.monitorWindowWidth / 2.0));
        s.TaskBarWindowY = 0;
    }

    if (s.ShowSplashForm)
        ctx.ui.showWindow(UiWindow::Splash);
    if (s.NumberOfUsers == 0)
        ctx.ui.showWindow(UiWindow::SetupWizard);
}

void CloseAppAndTidy(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "CloseAppAndTidy");
    std::exception_ptr firstFailure;
    ErrorContext failedIn;
    const auto step = [&](auto &&action) {
        try {
            action();
        } catch (...) {
            if (!firstFailure) {
                firstFailure = std::current_exception();
                failedIn = ctx.errorContext;
            }
        }
    };

    // Writing the settings maintains the start-up entry as well.
    step([&] { WriteSettingsToDatabase(ctx); });
    step([&] {
        if (ctx.settings.DisconnectOnExit)
            AppHooks::call(ctx.hooks.hangUpAllConnections, ctx);
    });
    // A store without users (the first run's wizard was cancelled) is not
    // worth a backup, and must not replace one that has users.
    if (!ctx.settings.DontBackupDatabase && StoredUserCount(ctx.store) > 0) {
        const QString backup = ctx.startup.programDirectory + QLatin1String(BackupFileName);
        try {
            ExportRegFile(ctx.store, backup);
        } catch (const std::exception &e) {
            const QString why = dynamic_cast<const TallylineError *>(&e)
                                    ? static_cast<const TallylineError &>(e).message()
                                    : QString::fromLocal8Bit(e.what());
            ctx.ui.showMessage(MessageKind::Error,
                               QStringLiteral("Tallyline could not write the backup of its database to '%1'.\r\r%2")
                                   .arg(QDir::toNativeSeparators(backup), why));
        }
    }
    step([&] { ctx.ui.endResidentShell(); });
    if (firstFailure) {
        // The report names the procedure that failed, not the last one entered.
        ctx.errorContext = failedIn;
        std::rethrow_exception(firstFailure);
    }
}

void TidyUpForExit(AppContext &ctx)
{
    // Each step runs whatever became of the one before: a session that could
    // not be written must not cost the settings or the backup.
    const auto step = [&ctx](auto &&action) {
        try {
            action();
        } catch (...) {
            GlobalErrorHandler(ctx, std::current_exception());
        }
    };
    step([&ctx] {
        if (ctx.shell.SessionOpen)
            AppHooks::call(ctx.hooks.closeSession, ctx);
    });
    step([&ctx] { FlushSessionRecordWritesForExit(ctx, ExitLockWaitMs); });
    step([&ctx] { CloseAppAndTidy(ctx); });
}
