#pragma once

#include "session/ProgramRecord.h"

#include <QAbstractTableModel>
#include <QList>

struct AppContext;

// The Applications page list: the current user's session programs in
// record order.
class ProgramListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { FileName, Close, Start, End, Days, ColumnCount };

    explicit ProgramListModel(AppContext &ctx, QObject *parent = nullptr);

    // UpdateProgramsList: the user's "NumberOfPrograms" (0 when missing)
    // read into memory and the rows rebuilt; none while nobody is logged in.
    void rebuild();
    void clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    AppContext &m_ctx;
    QList<SessionProgram> m_rows;
};

// "Mon,Sun" for Monday and Sunday; empty for no days.
QString ProgramDaysText(int days);

// The stored program count of the current user; 0 when missing.
int ReadNumberOfPrograms(AppContext &ctx);

// What the program dialog holds when "&OK" is pressed.
struct ProgramEditorInput {
    QString filename;
    bool autoClose = false;
    bool alwaysRuns = true;
    int startHours = 0, startMinutes = 0, endHours = 0, endMinutes = 0;
    int days = 0;  // Monday 1 .. Sunday 64, as ticked
};

// The record the dialog stores for its fields.
SessionProgram ProgramRecordFromEditor(const ProgramEditorInput &input);

// The program dialog's "&OK": a file that does not exist is refused with a
// warning. Otherwise program `program` of the current user, or a new last
// one for program 0, is written with the user's program count, and the list
// is rebuilt. True when stored.
bool StoreProgram(AppContext &ctx, int program, const ProgramEditorInput &input);

// The Applications page's "&Remove": asked first when "DeletePrompt" is on;
// the later programs move down by one. True when removed.
bool RemoveProgram(AppContext &ctx, int program);

// "&Run": starts the program at once, directly, with its own folder as
// working folder. False when there is nothing to start or it did not start.
bool RunListedProgram(AppContext &ctx, int program);
