#pragma once

#include "core/DateTime.h"

#include <QString>
#include <cstddef>

// How hard a stored password hash is to compute (libsodium's Argon2id
// limits). Tests lower them so that they stay fast.
struct PasswordHashCost {
    unsigned long long opsLimit = 2;     // crypto_pwhash_OPSLIMIT_INTERACTIVE
    std::size_t memLimit = 67108864;     // crypto_pwhash_MEMLIMIT_INTERACTIVE
};

// Who is logged in, and what the login copied from the user's record.
struct LoginState {
    int CurrentUser = 0;
    bool LoggedIn = false;
    bool AdminSession = false;
    int Restrictions = 0;
    QString CurrentUserName;

    int NumberOfAlarms = 0;
    int NumberOfPrograms = 0;
    int NumberOfISPs = 0;
    DateTime CreationDate = 0;

    PasswordHashCost PasswordCost;
};
