#pragma once

#include <QString>

class Store;

// One program to run with a session, Users\User<u>\Programs\Program<p>.
struct SessionProgram {
    QString filename;
    bool autoProgramClose = false;
    int useTimeZone = 0;
    int startTime = 0;  // minutes after midnight
    int endTime = 0;
    int days = 0;       // Monday 1, Tuesday 2, ... Sunday 64

    bool operator==(const SessionProgram &) const = default;
};

QString ProgramKey(int user, int program);

// In one query; missing values read as the defaults above.
SessionProgram ReadProgramRecord(Store &store, int user, int program);
// Every value, as one transaction.
void WriteProgramRecord(Store &store, int user, int program, const SessionProgram &record);
