#include "users/Passwords.h"

#include "core/AppContext.h"
#include "core/Errors.h"
#include "store/Store.h"
#include "users/UserRecord.h"

#include <sodium.h>

static_assert(PasswordHashCost{}.opsLimit == crypto_pwhash_OPSLIMIT_INTERACTIVE);
static_assert(PasswordHashCost{}.memLimit == crypto_pwhash_MEMLIMIT_INTERACTIVE);

namespace {

void initialiseSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw TallylineError(QStringLiteral("The password library could not be initialised."));
}

// Wipes the UTF-8 copy of a password when it goes out of scope.
struct SecretBytes {
    explicit SecretBytes(const QString &text) : bytes(text.toUtf8()) {}
    ~SecretBytes() { sodium_memzero(bytes.data(), size_t(bytes.size())); }
    QByteArray bytes;
};

void writePasswordHash(Store &store, int user, const QString &hash)
{
    UserRecord record;
    record.password = hash;
    WriteUserRecord(store, user, record, UserPassword);
}

} // namespace

bool IsPasswordHash(const QString &stored)
{
    return stored.startsWith(QLatin1String("$argon2id$v=")) || stored.startsWith(QLatin1String("$argon2i$v="));
}

QString HashPassword(const QString &password, const PasswordHashCost &cost)
{
    initialiseSodium();
    SecretBytes secret(password);
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, secret.bytes.constData(), quint64(secret.bytes.size()), cost.opsLimit,
                              cost.memLimit, crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw TallylineError(QStringLiteral("Not enough memory to protect the password."));
    return QString::fromLatin1(out);
}

bool PasswordMatches(const QString &stored, const QString &typed)
{
    if (!IsPasswordHash(stored))
        return stored == typed;
    initialiseSodium();
    const QByteArray hash = stored.toLatin1();
    SecretBytes secret(typed);
    return crypto_pwhash_str_verify(hash.constData(), secret.bytes.constData(), quint64(secret.bytes.size())) == 0;
}

void SetUserPassword(AppContext &ctx, int user, const QString &password)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "SetUserPassword");
    writePasswordHash(ctx.store, user, HashPassword(password, ctx.login.PasswordCost));
}

bool VerifyUserPassword(AppContext &ctx, int user, const QString &typed)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "VerifyUserPassword");
    const QString stored = ReadUserRecord(ctx.store, user).password;
    if (!PasswordMatches(stored, typed))
        return false;
    const PasswordHashCost &cost = ctx.login.PasswordCost;
    const bool renew = !IsPasswordHash(stored)
        || crypto_pwhash_str_needs_rehash(stored.toLatin1().constData(), cost.opsLimit, cost.memLimit) != 0;
    if (renew)
        SetUserPassword(ctx, user, typed);
    return true;
}

int HashPlainPasswords(AppContext &ctx)
{
    PROCEDURE_GUARD(ctx, "Global Unit", "HashPlainPasswords");
    // Every hash is made before anything is written: a failure leaves the
    // store as it was, and the plain passwords still work.
    QList<std::pair<int, QString>> hashes;
    for (int n = 1; n <= ctx.settings.NumberOfUsers; ++n) {
        if (!ctx.store.keyExists(Store::hivePathOf(UserKey(n))))
            continue;
        const QString stored = ReadUserRecord(ctx.store, n).password;
        if (!IsPasswordHash(stored))
            hashes.append({n, HashPassword(stored, ctx.login.PasswordCost)});
    }
    if (hashes.isEmpty())
        return 0;
    Store::Transaction transaction(ctx.store);
    for (const auto &[user, hash] : std::as_const(hashes))
        writePasswordHash(ctx.store, user, hash);
    transaction.commit();
    return int(hashes.size());
}
