#include "tariff/TimeZonePresets.h"

#include "core/AppContext.h"
#include "store/Store.h"
#include "core/GlobalErrorHandler.h"
#include "store/FloatText.h"
#include "store/GeneralRoutines.h"
#include "tariff/HolidayRecord.h"
#include "tariff/IspRecord.h"
#include "tariff/TariffKeys.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>

namespace {

// A preset is a few kilobytes; anything this large is not one.
constexpr qint64 MaxPresetFileSize = 4 * 1024 * 1024;

// The preset file's own key names; two of them are also the store's names
// of the same counts, but the file format stands on its own.
const QString NumberOfTimeZones = QStringLiteral("NumberOfTimeZones");
const QString NumberOfHolidays = QStringLiteral("NumberOfHolidays");

QString holidayKey(int j)
{
    return QStringLiteral("Holiday%1").arg(j);
}

// One section of an initialisation file, keys in file order.
struct IniSection {
    QString name;
    QList<std::pair<QString, QString>> entries;

    // The first entry of that name, as the profile functions find it.
    const QString *find(const QString &key) const
    {
        for (const auto &e : entries) {
            if (e.first.compare(key, Qt::CaseInsensitive) == 0)
                return &e.second;
        }
        return nullptr;
    }
};

QList<IniSection> parseIni(const QByteArray &bytes)
{
    QList<IniSection> sections;
    const QString text = QString::fromUtf8(bytes);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            if (close < 0)
                continue;
            sections.append({line.mid(1, close - 1).trimmed(), {}});
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || sections.isEmpty())
            continue;
        QString value = line.mid(equals + 1).trimmed();
        // The profile functions drop one pair of enclosing quotes.
        if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
            && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        sections.last().entries.append({line.left(equals).trimmed(), value});
    }
    return sections;
}

const IniSection *findSection(const QList<IniSection> &sections, const QString &name)
{
    for (const IniSection &s : sections) {
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

QString profileString(const IniSection *section, const QString &key)
{
    if (!section)
        return QString();
    const QString *value = section->find(key);
    return value ? *value : QString();
}

// Like the system's profile integer: an optional sign and the leading
// digits; no digits give 0. Values beyond the int range are held at its ends.
int profileInt(const IniSection *section, const QString &key)
{
    const QString text = profileString(section, key);
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    qint64 value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > std::numeric_limits<int>::max())
            value = qint64(std::numeric_limits<int>::max()) + 1;
    }
    if (negative)
        value = -value;
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QChar localeDateSeparator()
{
    const QString format = QLocale().dateFormat(QLocale::ShortFormat);
    for (const QChar c : format) {
        if (!c.isLetter())
            return c;
    }
    return QLatin1Char('/');
}

QString presetPath(const AppContext &ctx, const QString &fileName)
{
    return ctx.startup.programDirectory + fileName;
}

TimeZonePreset readPresetFile(const QString &path, const QString &fileName)
{
    QFile file(path);
    if (!file.exists())
        return TimeZonePreset();
    if (!file.open(QIODevice::ReadOnly))
        throw PresetFileError(QStringLiteral("The tariff preset file '%1' cannot be read: %2")
                                  .arg(fileName, file.errorString()));
    if (file.size() > MaxPresetFileSize)
        throw PresetFileError(QStringLiteral("The file '%1' is too large to be a tariff preset.").arg(fileName));
    return ParsePresetFileText(file.readAll(), fileName);
}

void writePreset(Store &store, const TimeZonePreset &preset, int user, int isp, int currentYear)
{
    for (int day = 1; day <= 8; ++day)
        WriteDayTariff(store, user, isp, day, preset.days[day - 1]);
    WriteNumberOfHolidays(store, user, isp, int(preset.holidays.size()));
    for (int j = 1; j <= preset.holidays.size(); ++j)
        WriteHoliday(store, user, isp, j, ParsePresetHoliday(preset.holidays[j - 1], currentYear));
}

} // namespace

QStringList TimeZonePresetNames(const QString &directory)
{
    const QString extension = QLatin1String(PresetExtension);
    QStringList names;
    const QFileInfoList files = QDir(directory).entryInfoList(QDir::Files | QDir::Readable, QDir::NoSort);
    for (const QFileInfo &info : files) {
        // Only the exact extension: the loader asks for name + ".tzp".
        const QString file = info.fileName();
        if (file.size() > extension.size() && file.endsWith(extension, Qt::CaseSensitive))
            names.append(file.left(file.size() - extension.size()));
    }
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

bool IsUsablePresetName(const QString &name)
{
    return !name.trimmed().isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0))
        && !name.startsWith(QLatin1Char('.'));
}

QByteArray PresetFileText(const TimeZonePreset &preset)
{
    QString text;
    const auto line = [&text](const QString &key, const QString &value) {
        text += key + QLatin1Char('=') + value + QStringLiteral("\r\n");
    };
    for (int day = 1; day <= 8; ++day) {
        if (day > 1)
            text += QStringLiteral("\r\n");
        text += QLatin1Char('[') + TariffKeys::dayTypeName(day) + QStringLiteral("]\r\n");
        const QList<PresetBand> &bands = preset.days[day - 1];
        line(NumberOfTimeZones, QString::number(bands.size()));
        for (int k = 1; k <= bands.size(); ++k) {
            const PresetBand &b = bands[k - 1];
            line(QStringLiteral("StartTime%1").arg(k), QString::number(b.startTime));
            line(QStringLiteral("EndTime%1").arg(k), QString::number(b.endTime));
            line(QStringLiteral("Cost%1").arg(k), b.cost);
            line(QStringLiteral("ConnectionFee%1").arg(k), b.connectionFee);
            line(QStringLiteral("ConnectionFeeType%1").arg(k), QString::number(b.connectionFeeType));
        }
    }
    text += QStringLiteral("\r\n[") + QLatin1String(PublicHolidaysSection) + QStringLiteral("]\r\n");
    line(NumberOfHolidays, QString::number(preset.holidays.size()));
    for (int j = 1; j <= preset.holidays.size(); ++j)
        line(holidayKey(j), preset.holidays[j - 1]);
    return text.toUtf8();
}

TimeZonePreset ParsePresetFileText(const QByteArray &bytes, const QString &fileName)
{
    const QList<IniSection> sections = parseIni(bytes);
    TimeZonePreset preset;
    bool anySection = false;
    for (int day = 1; day <= 8; ++day) {
        const QString name = TariffKeys::dayTypeName(day);
        const IniSection *section = findSection(sections, name);
        anySection = anySection || section;
        const int n = std::max(0, profileInt(section, NumberOfTimeZones));
        if (n > MaxPresetBands)
            throw PresetFileError(QStringLiteral("The tariff preset file '%1' is damaged: %2 has %3 time-zones.")
                                      .arg(fileName, name)
                                      .arg(n));
        QList<PresetBand> &bands = preset.days[day - 1];
        for (int k = 1; k <= n; ++k) {
            PresetBand b;
            b.startTime = profileInt(section, QStringLiteral("StartTime%1").arg(k));
            b.endTime = profileInt(section, QStringLiteral("EndTime%1").arg(k));
            b.cost = profileString(section, QStringLiteral("Cost%1").arg(k));
            b.connectionFee = profileString(section, QStringLiteral("ConnectionFee%1").arg(k));
            b.connectionFeeType = profileInt(section, QStringLiteral("ConnectionFeeType%1").arg(k));
            bands.append(b);
        }
    }
    const IniSection *holidays = findSection(sections, QLatin1String(PublicHolidaysSection));
    anySection = anySection || holidays;
    if (!anySection)
        throw PresetFileError(QStringLiteral("The file '%1' is not a tariff preset file.").arg(fileName));
    const int h = std::max(0, profileInt(holidays, NumberOfHolidays));
    if (h > MaxPresetHolidays)
        throw PresetFileError(QStringLiteral("The tariff preset file '%1' is damaged: it has %2 holidays.")
                                  .arg(fileName)
                                  .arg(h));
    for (int j = 1; j <= h; ++j)
        preset.holidays.append(profileString(holidays, holidayKey(j)));
    return preset;
}

QString PresetHolidayText(DateTime day)
{
    return QDateFromDateTime(day).toString(QStringLiteral("dd/MM/yy")).replace(QLatin1Char('/'),
                                                                                 localeDateSeparator());
}

DateTime ParsePresetHoliday(const QString &text, int currentYear)
{
    return DateOf(ParseMonthNameDate(text, currentYear, QStringLiteral("DMY")));
}

TimeZonePreset ReadISPTariff(AppContext &ctx, int user, int isp)
{
    TimeZonePreset preset;
    for (int day = 1; day <= 8; ++day)
        preset.days[day - 1] = ReadDayTariff(ctx.store, user, isp, day);
    for (const QString &text : ReadHolidayTexts(ctx.store, user, isp))
        preset.holidays.append(PresetHolidayText(SafeStrToFloat(text)));
    return preset;
}

bool SaveTimeZonePreset(AppContext &ctx, const QString &name)
{
    PROCEDURE_GUARD(ctx, "TimeZoneSave", "SaveTimeZonePreset");
    // An empty name does nothing; one that names no plain file is explained.
    if (name.trimmed().isEmpty())
        return false;
    if (!IsUsablePresetName(name)) {
        ctx.ui.showMessage(MessageKind::Information,
                           QStringLiteral("A preset name cannot contain \"/\" or begin with \".\"."));
        return false;
    }
    const int user = ctx.login.CurrentUser;
    const int isp = ctx.tariff.CurrentTimeZoneISP;
    const QByteArray text = PresetFileText(ReadISPTariff(ctx, user, isp));
    const QString fileName = name + QLatin1String(PresetExtension);
    // Written aside and renamed over the old file, so a full disk never
    // leaves half a preset behind.
    QSaveFile file(presetPath(ctx, fileName));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw PresetFileError(QStringLiteral("The tariff preset file '%1' cannot be written: %2")
                                  .arg(fileName, file.errorString()));
    ctx.currentPresetName = name;
    IspRecord named;
    named.presetName = name;
    WriteIspRecord(ctx.store, user, isp, named, IspPresetNameValue);
    Q_EMIT ctx.events.timezonesChanged();
    return true;
}

bool DeleteTimeZonePreset(AppContext &ctx, const QString &name)
{
    PROCEDURE_GUARD(ctx, "TimeZonePresets", "DeleteTimeZonePreset");
    if (!IsUsablePresetName(name))
        return false;
    return QFile::remove(presetPath(ctx, name + QLatin1String(PresetExtension)));
}

bool LoadTimeZonePresets(AppContext &ctx, const QString &fileName)
{
    return LoadTimeZonePresets(ctx, fileName, ctx.login.CurrentUser, ctx.tariff.CurrentTimeZoneISP);
}

bool LoadTimeZonePresets(AppContext &ctx, const QString &fileName, int user, int isp)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "LoadTimeZonePresets");
    try {
        if (fileName.contains(QLatin1Char('/')) || fileName.startsWith(QLatin1Char('.')))
            throw PresetFileError(QStringLiteral("'%1' is not a tariff preset in the program directory.").arg(fileName));
        const TimeZonePreset preset = readPresetFile(presetPath(ctx, fileName), fileName);
        const int currentYear = ctx.clock.now().date().year();

        Store &store = ctx.store;
        Store::Transaction transaction(store);
        try {
            writePreset(store, preset, user, isp, currentYear);
        } catch (...) {
            // A bad holiday stops the load where it is; what was written stays.
            transaction.commit();
            throw;
        }
        transaction.commit();

        if (!ctx.tariff.SetupWizardOpen) {
            QString name = fileName;
            if (name.endsWith(QLatin1String(PresetExtension)))
                name.chop(int(qstrlen(PresetExtension)));
            ctx.currentPresetName = name;
        }
        IspRecord named;
        named.presetName = ctx.currentPresetName;
        WriteIspRecord(store, user, isp, named, IspPresetNameValue);
    } catch (const std::exception &) {
        GlobalErrorHandler(ctx, std::current_exception());
        Q_EMIT ctx.events.timezonesChanged();
        return false;
    }
    Q_EMIT ctx.events.timezonesChanged();
    return true;
}
