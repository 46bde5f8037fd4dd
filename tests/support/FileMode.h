#pragma once

#include <QFile>
#include <QString>

#include <sys/stat.h>

namespace testsupport {

// The permission bits of path, as stat gives them; -1 when there is no such file.
inline int modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

} // namespace testsupport
