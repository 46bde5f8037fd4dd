#include "tariff/TariffEditing.h"

#include "core/AppContext.h"
#include "core/ErrorReport.h"
#include "store/FloatText.h"
#include "store/Store.h"
#include "tariff/BandRecord.h"
#include "tariff/DayTypes.h"
#include "tariff/HolidayRecord.h"
#include "tariff/TariffKeys.h"
#include "users/UserRecord.h"

#include <algorithm>

namespace {

const QString NumberOfTimeZones = QStringLiteral("NumberOfTimeZones");
const QString NumberOfISPs = QStringLiteral("NumberOfISPs");

int currentUser(const AppContext &ctx)
{
    return ctx.login.CurrentUser;
}

int currentIsp(const AppContext &ctx)
{
    return ctx.tariff.CurrentTimeZoneISP;
}

int numberOfIsps(AppContext &ctx)
{
    UserRecord user;
    ReadUserRecord(ctx.store, currentUser(ctx), user);
    return std::max(0, user.numberOfISPs);
}

void storeBandValue(AppContext &ctx, int dayType, int band, const BandRecord &values, quint64 which)
{
    if (band < 1)
        return;
    WriteBandRecord(ctx.store, currentUser(ctx), currentIsp(ctx), dayType, band, values, which);
}

} // namespace

int ClampedTimeField(const QString &text, int maximum)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::clamp(value, 0, maximum) : 0;
}

QString TwoDigitTimeText(int value)
{
    return QString::asprintf("%.2d", value);
}

int BandEndMinute(int hours, int minutes)
{
    const int end = hours * 60 + minutes;
    return end == 0 ? 1439 : end;
}

bool AddTimeZone(AppContext &ctx, int dayType, int startMinute, int endMinute)
{
    PROCEDURE_GUARD(ctx, "TimeZone", "OKButtonClick");
    if (endMinute < startMinute) {
        ctx.ui.showMessage(MessageKind::Warning, QStringLiteral("The end time is set to be before the start time!"));
        return false;
    }
    if (CheckTimeZoneOverLap(ctx, startMinute, endMinute, dayType)) {
        ctx.ui.showMessage(MessageKind::Warning,
                           QStringLiteral("The timezone specified overlaps with an existing timezone!"));
        return false;
    }
    const int user = currentUser(ctx);
    const int isp = currentIsp(ctx);
    const int n = ReadNumberOfBands(ctx.store, user, isp, dayType);
    BandRecord band;
    band.startTime = startMinute;
    band.endTime = endMinute;
    band.cost = BandMoneyText(QString());
    band.connectionFee = band.cost;
    band.connectionFeeType = 0;
    Store::Transaction transaction(ctx.store);
    WriteBandRecord(ctx.store, user, isp, dayType, n + 1, band);
    ctx.store.WriteStoreInteger(NumberOfTimeZones, TariffKeys::dayType(user, isp, dayType), n + 1);
    transaction.commit();
    return true;
}

void CopyTimeZones(AppContext &ctx, int sourceDay, const QList<int> &targetDays)
{
    PROCEDURE_GUARD(ctx, "TimeZoneCopy", "CopyButtonClick");
    const int user = currentUser(ctx);
    const int isp = currentIsp(ctx);
    const QList<BandRecord> bands = ReadDayTariff(ctx.store, user, isp, sourceDay);
    if (bands.isEmpty())
        return;
    Store::Transaction transaction(ctx.store);
    for (int day : targetDays) {
        if (day != sourceDay && day >= 1 && day <= 8)
            WriteDayTariff(ctx.store, user, isp, day, bands);
    }
    transaction.commit();
}

bool RemoveTimeZone(AppContext &ctx, int dayType, int band)
{
    PROCEDURE_GUARD(ctx, "Properties", "RemoveTimeZoneButtonClick");
    if (band < 1)
        return false;
    if (ctx.settings.DeletePrompt
        && !ctx.ui.confirm(QStringLiteral("Are you sure you want to remove the selected timezone?")))
        return false;
    const int user = currentUser(ctx);
    const int isp = currentIsp(ctx);
    const QString dayKey = TariffKeys::dayType(user, isp, dayType);
    ctx.store.DeleteNumberedRecord(dayKey, QStringLiteral("TimeZone"), band, dayKey, NumberOfTimeZones);
    return true;
}

QString CutBandMoneyText(const QString &text)
{
    return text.size() > 8 ? text.left(7) : text;
}

QString BandMoneyText(const QString &typed)
{
    return QString::asprintf("%5.4f", SafeStrToFloat(typed.trimmed()));
}

void StoreBandCost(AppContext &ctx, int dayType, int band, const QString &text)
{
    BandRecord values;
    values.cost = text;
    storeBandValue(ctx, dayType, band, values, BandCostValue);
}

void StoreBandConnectionFee(AppContext &ctx, int dayType, int band, const QString &text)
{
    BandRecord values;
    values.connectionFee = text;
    storeBandValue(ctx, dayType, band, values, BandConnectionFeeValue);
}

void StoreBandConnectionFeeType(AppContext &ctx, int dayType, int band, int feeType)
{
    BandRecord values;
    values.connectionFeeType = feeType;
    storeBandValue(ctx, dayType, band, values, BandConnectionFeeTypeValue);
}

IspListModel::IspListModel(AppContext &ctx, QObject *parent) : QAbstractTableModel(parent), m_ctx(ctx) {}

void IspListModel::reload()
{
    beginResetModel();
    m_isps.clear();
    const int count = numberOfIsps(m_ctx);
    for (int i = 1; i <= count; ++i)
        m_isps.append(ReadIspRecord(m_ctx.store, currentUser(m_ctx), i));
    endResetModel();
}

int IspListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_isps.size());
}

int IspListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant IspListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_isps.size())
        return {};
    const IspRecord &isp = m_isps[index.row()];
    return index.column() == Description ? isp.ispName : isp.dialupName;
}

QVariant IspListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return section == Description ? QStringLiteral("Description") : QStringLiteral("Dial-up connection");
}

QStringList IspNames(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Properties", "FillTimezoneISPComboBox");
    QStringList names;
    const int count = numberOfIsps(ctx);
    for (int i = 1; i <= count; ++i)
        names.append(ReadIspRecord(ctx.store, currentUser(ctx), i).ispName);
    return names;
}

void ChooseCurrentISP(AppContext &ctx, int isp)
{
    ctx.tariff.CurrentTimeZoneISP = isp;
    UserRecord chosen;
    chosen.currentTimeZoneISP = isp;
    WriteUserRecord(ctx.store, currentUser(ctx), chosen, UserCurrentTimeZoneISP);
}

bool SaveIspFromDialog(AppContext &ctx, IspDialogMode mode, int editedIsp, const QString &description,
                       const QString &entry)
{
    PROCEDURE_GUARD(ctx, "AddISP", "OKButtonClick");
    const int user = currentUser(ctx);
    const int count = numberOfIsps(ctx);
    bool refused = false;
    if (description.isEmpty()) {
        ctx.ui.showMessage(MessageKind::Warning,
                           QStringLiteral("You haven't entered a description for this connection."));
        refused = true;
    }
    // One ISP per connection: the pricing would only ever find the first.
    // An edited ISP may keep its own connection.
    if (!entry.isEmpty()) {
        for (int i = 1; i <= count; ++i) {
            if (mode == IspDialogMode::Edit && i == editedIsp)
                continue;
            if (ReadIspRecord(ctx.store, user, i).dialupName.compare(entry, Qt::CaseInsensitive) == 0) {
                ctx.ui.showMessage(MessageKind::Warning,
                                   QStringLiteral("You have already added this dialup connection."));
                refused = true;
                break;
            }
        }
    }
    if (refused)
        return false;
    const bool defaultIsp = mode == IspDialogMode::Edit && editedIsp == 1;
    if (entry.isEmpty() && !defaultIsp) {
        ctx.ui.showMessage(MessageKind::Warning, QStringLiteral("You haven't selected a connection to add."));
        return false;
    }
    int isp = editedIsp;
    int newCount = count;
    Store::Transaction transaction(ctx.store);
    if (mode == IspDialogMode::Add) {
        newCount = count + 1;
        isp = newCount;
        // A new ISP starts without timezones and holidays, whatever an
        // earlier one of that number left.
        ctx.store.DeleteStoreKey(TariffKeys::isp(user, isp));
    }
    if (isp < 1)
        return false;
    ctx.store.WriteStoreInteger(NumberOfISPs, TariffKeys::user(user), newCount);
    if (isp != 1)
        WriteIspFromDialog(ctx.store, user, isp, description, entry);
    transaction.commit();
    ctx.login.NumberOfISPs = newCount;
    return true;
}

bool RemoveIsp(AppContext &ctx, int row)
{
    PROCEDURE_GUARD(ctx, "ISP", "RemoveButtonClick");
    if (row < 0)
        return false;
    const bool yes = ctx.ui.confirm(QStringLiteral("Are you sure you want to remove the selected connection?"));
    if (row == 0) {
        ctx.ui.showMessage(MessageKind::Warning, QStringLiteral("You cannot remove the default connection."));
        return false;
    }
    const int user = currentUser(ctx);
    if (yes) {
        ctx.store.DeleteNumberedRecord(TariffKeys::user(user), QStringLiteral("ISP"), row + 1, TariffKeys::user(user),
                                       NumberOfISPs);
        ctx.login.NumberOfISPs = numberOfIsps(ctx);
    }
    ChooseCurrentISP(ctx, 1);
    return true;
}

HolidayList HolidayList::read(AppContext &ctx)
{
    HolidayList list;
    for (DateTime day : ReadHolidays(ctx.store, currentUser(ctx), currentIsp(ctx))) {
        list.shown.append(FormatShortDate(day));
        list.days.append(day);
    }
    return list;
}

bool HolidayList::add(Ui &ui, DateTime day)
{
    const QString text = FormatShortDate(day);
    if (shown.contains(text)) {
        ui.showMessage(MessageKind::Warning, QStringLiteral("That holiday has already been added."));
        return false;
    }
    shown.append(text);
    days.append(DateOf(day));
    return true;
}

void HolidayList::removeAt(int index)
{
    if (index < 0 || index >= shown.size())
        return;
    shown.removeAt(index);
    days.removeAt(index);
}

void HolidayList::write(AppContext &ctx) const
{
    PROCEDURE_GUARD(ctx, "Holiday", "OKButtonClick");
    WriteHolidays(ctx.store, currentUser(ctx), currentIsp(ctx), days);
}
