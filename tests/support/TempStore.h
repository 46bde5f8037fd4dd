#pragma once

#include "store/Store.h"

#include <QTemporaryDir>
#include <memory>

namespace testsupport {

// A fresh store in a temporary data directory that disappears with the object.
struct TempStore {
    TempStore() : store(Store::open(dir.filePath(QString::fromLatin1(Store::DefaultFileName)))) {}
    QString path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    std::unique_ptr<Store> store;
};

} // namespace testsupport
