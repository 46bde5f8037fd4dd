#include "session/ProgramRecord.h"

#include "store/RecordFields.h"
#include "tariff/TariffKeys.h"

namespace {

const RecordField<SessionProgram> Fields[] = {
    {"Filename", &SessionProgram::filename},
    {"AutoProgramClose", &SessionProgram::autoProgramClose},
    {"Use TimeZone", &SessionProgram::useTimeZone},
    {"Start Time", &SessionProgram::startTime},
    {"End Time", &SessionProgram::endTime},
    {"Days", &SessionProgram::days},
};

} // namespace

QString ProgramKey(int user, int program)
{
    return TariffKeys::user(user) + QStringLiteral("\\Programs\\Program%1").arg(program);
}

SessionProgram ReadProgramRecord(Store &store, int user, int program)
{
    SessionProgram record;
    ReadRecordFields<SessionProgram>(KeyValues::read(store, ProgramKey(user, program)), Fields, record);
    return record;
}

void WriteProgramRecord(Store &store, int user, int program, const SessionProgram &record)
{
    WriteRecordFields<SessionProgram>(store, ProgramKey(user, program), Fields, record);
}
