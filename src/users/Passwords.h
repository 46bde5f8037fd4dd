#pragma once

#include <QString>

struct AppContext;
struct PasswordHashCost;

// A user's "Password" value holds an Argon2id hash string of the password
// ("$argon2id$v=19$..."), salted and made with crypto_pwhash_str. An empty
// password is hashed like any other, so the store does not tell which
// users have none. A value that is not such a hash is a password kept as
// plain text by an older version or a restored backup (or an empty or
// missing value: no password); start-up replaces it by its hash, and until
// then it is still accepted.

// True when a stored "Password" value is a hash rather than a plain password.
bool IsPasswordHash(const QString &stored);

// A new salted hash of the password. Throws when the hash cannot be made
// (out of memory).
QString HashPassword(const QString &password, const PasswordHashCost &cost);

// Whether the typed password is the one the stored value stands for:
// exactly, letter case included; an empty password matches only an empty one.
bool PasswordMatches(const QString &stored, const QString &typed);

// Stores the hash of a user's new password (the user editor and the wizard).
void SetUserPassword(AppContext &ctx, int user, const QString &password);

// Checks a typed password against the user's stored one. On a match, a
// plain stored password (or a hash made with other limits) is replaced by
// a fresh hash.
bool VerifyUserPassword(AppContext &ctx, int user, const QString &typed);

// Replaces every plain "Password" value of users 1..NumberOfUsers by its
// hash, all in one transaction (an empty or missing one by the hash of the
// empty password). Hashes stay as they are. Returns how many were replaced.
int HashPlainPasswords(AppContext &ctx);
