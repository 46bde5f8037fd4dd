#pragma once

#include <QString>

// Values found at start-up and kept for the rest of the run.
struct StartupValues {
    QString programDirectory;   // the data directory, with a trailing '/'
    QString executablePath;
    QString dataDirectoryArgument;  // the --data-dir given, passed on to the start-up entry
    QString helpFile;
    QString versionText;        // "2.0 Build 1"
    int majorVersion = 0;
    QString systemCurrencySymbol;
    int savedCurrencyDecimals = 2;
    double databaseVersion = 0;
    int screenWidth = 1024;
    int screenHeight = 768;
    int monitorWindowWidth = 141;  // the floating monitor as laid out for the settings read
};
