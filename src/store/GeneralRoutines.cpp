#include "store/GeneralRoutines.h"

#include "core/Errors.h"

#include <QFile>
#include <QLocale>

#include <cstring>
#include <elf.h>

int CharPos(QChar ch, const QString &text, bool fromEnd)
{
    const qsizetype index = fromEnd ? text.lastIndexOf(ch) : text.indexOf(ch);
    return index < 0 ? 0 : int(index) + 1;
}

QString LeftOf(const QString &text, int count)
{
    return text.left(qMax(0, count));
}

DateTime ParseMonthNameDate(const QString &text, int currentYear)
{
    return ParseMonthNameDate(text, currentYear, QString());
}

DateTime ParseMonthNameDate(const QString &text, int currentYear, const QString &dateOrder)
{
    QString upper = text.toUpper();
    const QLocale locale;
    QStringList names;
    for (int month = 1; month <= 12; ++month)
        names.append(locale.monthName(month, QLocale::ShortFormat).toUpper());
    const auto lastMonthIn = [&upper](const QStringList &candidates, QString &name) {
        int found = 0;
        for (int month = 1; month <= 12; ++month) {
            const QString &candidate = candidates[month - 1];
            if (!candidate.isEmpty() && upper.contains(candidate)) {
                found = month;
                name = candidate;
            }
        }
        return found;
    };
    QString name;
    int found = lastMonthIn(names, name);
    if (found == 0) {
        // Dates written elsewhere use three-letter names where the locale
        // may have longer ones ("Sep" where en_GB says "Sept"). Only
        // prefixes that name one month alone count.
        QStringList prefixes;
        for (const QString &n : std::as_const(names))
            prefixes.append(n.size() > 3 ? n.left(3) : QString());
        for (qsizetype i = 0; i < prefixes.size(); ++i) {
            if (!prefixes[i].isEmpty() && (prefixes.count(prefixes[i]) > 1 || names.contains(prefixes[i])))
                prefixes[i].clear();
        }
        found = lastMonthIn(prefixes, name);
    }
    if (found != 0) {
        const qsizetype at = upper.indexOf(name);
        upper.replace(at, name.size(), QStringLiteral("%1").arg(found, 2, 10, QLatin1Char('0')));
    }
    return dateOrder.isEmpty() ? StrToDate(upper, currentYear) : StrToDate(upper, currentYear, dateOrder);
}

namespace {

template <typename Ehdr, typename Shdr>
bool findVersionSection(const QByteArray &file, VersionBlock &block)
{
    if (size_t(file.size()) < sizeof(Ehdr))
        return false;
    Ehdr header;
    std::memcpy(&header, file.constData(), sizeof header);
    const quint64 tableEnd = quint64(header.e_shoff) + quint64(header.e_shnum) * sizeof(Shdr);
    if (header.e_shoff == 0 || header.e_shentsize != sizeof(Shdr) || tableEnd > quint64(file.size())
        || header.e_shstrndx >= header.e_shnum)
        return false;
    auto section = [&](int i) {
        Shdr s;
        std::memcpy(&s, file.constData() + header.e_shoff + quint64(i) * sizeof(Shdr), sizeof s);
        return s;
    };
    const Shdr names = section(header.e_shstrndx);
    if (quint64(names.sh_offset) + names.sh_size > quint64(file.size()))
        return false;
    for (int i = 0; i < header.e_shnum; ++i) {
        const Shdr s = section(i);
        if (s.sh_name >= names.sh_size)
            continue;
        const char *name = file.constData() + names.sh_offset + s.sh_name;
        const size_t maxLen = names.sh_size - s.sh_name;
        if (strnlen(name, maxLen) == maxLen || std::strcmp(name, ".tallyline_version") != 0)
            continue;
        if (s.sh_size < sizeof(VersionBlock) || quint64(s.sh_offset) + s.sh_size > quint64(file.size()))
            return false;
        std::memcpy(&block, file.constData() + s.sh_offset, sizeof block);
        return std::memcmp(block.magic, "TLVERS1", 8) == 0;
    }
    return false;
}

} // namespace

FileVersion GetFileVersion(const QString &fileName)
{
    const auto fail = [&fileName]() {
        return TallylineError(QStringLiteral("Can't get file version information for ") + fileName);
    };
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw fail();
    // Mapped, only the headers and the section are read: an executable with
    // debugging information runs to tens of megabytes.
    const qint64 size = file.size();
    const uchar *mapped = size > 0 ? file.map(0, size) : nullptr;
    const QByteArray bytes = mapped ? QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), size)
                                    : file.readAll();
    if (bytes.size() < EI_NIDENT || std::memcmp(bytes.constData(), ELFMAG, SELFMAG) != 0)
        throw fail();
    VersionBlock block{};
    bool found = false;
    if (bytes[EI_CLASS] == ELFCLASS64)
        found = findVersionSection<Elf64_Ehdr, Elf64_Shdr>(bytes, block);
    else if (bytes[EI_CLASS] == ELFCLASS32)
        found = findVersionSection<Elf32_Ehdr, Elf32_Shdr>(bytes, block);
    if (!found)
        throw fail();
    return FileVersion{block.major, block.minor, block.release, block.build};
}
