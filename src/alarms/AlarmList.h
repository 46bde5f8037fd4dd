#pragma once

#include "alarms/AlarmChecking.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

struct AppContext;

// The Alarms page list: the current user's alarms in record order.
class AlarmListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Description, Limit, HangUp, Start, End, Days, ColumnCount };
    static int designWidth(int column);

    explicit AlarmListModel(AppContext &ctx, QObject *parent = nullptr);

    // UpdateAlarmsList: the user's "NumberOfAlarms" read into memory and
    // the rows rebuilt; none while nobody is logged in.
    void rebuild();
    void clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    AppContext &m_ctx;
    QList<AlarmListRow> m_rows;
};

// What the alarm editor holds when "&OK" is pressed, as its fields show it.
struct AlarmEditorInput {
    int type = SessionTimeAlarm;
    int limitHours = 0;
    int limitMinutes = 0;
    QString allowanceText;       // AllowanceEdit, as typed
    QString customMessage;
    bool repeat = false;
    bool hangUp = false;
    bool playWave = false;
    QString waveFile;
    bool alwaysActive = true;
    bool useIsp = false;
    int ispListPosition = -1;    // -1: nothing chosen (or no list)
    int startHours = 0, startMinutes = 0, endHours = 0, endMinutes = 0;
    int days = 0;                // Monday bit 0 .. Sunday bit 6, as ticked
};

// The record the editor stores for its fields.
AlarmRecord AlarmRecordFromEditor(const AlarmEditorInput &input);

// The alarm editor's "&OK": each validation failure is told (all of them),
// and then nothing is stored. Otherwise alarm `alarm` of the current user,
// or a new last one for alarm 0, is written with the user's alarm count,
// and the alarm list is rebuilt. True when stored.
bool StoreAlarm(AppContext &ctx, int alarm, const AlarmEditorInput &input);

// The Alarms page's "&Remove": asked first when "DeletePrompt" is on; the
// later alarms move down by one. True when removed.
bool RemoveAlarm(AppContext &ctx, int alarm);
