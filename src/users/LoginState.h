#pragma once

#include <QString>

// Who is logged in.
struct LoginState {
    int CurrentUser = 0;
    bool LoggedIn = false;
    bool AdminSession = false;
    int Restrictions = 0;
    QString LoginName;
};
