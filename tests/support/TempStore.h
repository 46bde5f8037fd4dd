#pragma once

#include "store/Store.h"

#include <QTemporaryDir>
#include <memory>

namespace testsupport {

// A fresh store in a temporary data directory that disappears with the
// object; or, given a file, the store in that file, which stays.
struct TempStore {
    explicit TempStore(const QString &databaseFile = QString())
        : store(Store::open(databaseFile.isEmpty() ? dir.filePath(QString::fromLatin1(Store::DefaultFileName))
                                                   : databaseFile))
    {
    }
    QString path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    std::unique_ptr<Store> store;
};

} // namespace testsupport
