#include "store/RegFile.h"

#include "store/SessionDaySummary.h"
#include "store/SettingsRecord.h"
#include "store/Store.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QDir>
#include <QSysInfo>
#include <QtEndian>
#include <string>

// The backup is written as the registry editor of the NT family writes it:
// "Windows Registry Editor Version 5.00", UTF-16LE with a byte-order mark,
// CRLF line ends. That keeps every character of every name and text, and the
// file stays readable by the registry editor itself.
//
// Two comment lines of our own make a cut-off copy recognisable: one under
// the header says the file is ours, the last line gives the numbers of keys
// and values written. A file of ours without that last line, or with other
// numbers, is refused. A file from elsewhere has neither and must end with
// the blank line the registry editor always ends with.

namespace {

const QString Header5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString Header4 = QStringLiteral("REGEDIT4");
const QString HiveName = QStringLiteral("HKEY_LOCAL_MACHINE");
const QStringList RootParts = {QStringLiteral("Software"), QStringLiteral("Kelmora"), QStringLiteral("Tallyline")};
const QStringList RunParts = {QStringLiteral("Software"), QStringLiteral("Microsoft"), QStringLiteral("Windows"),
                              QStringLiteral("CurrentVersion"), QStringLiteral("Run")};
constexpr int HexLineWidth = 80;
const QString OwnFileLine = QStringLiteral("; Tallyline database backup");
const QString EndLineFormat = QStringLiteral("; End of Tallyline backup: %1 keys, %2 values");
const QRegularExpression EndLinePattern(QStringLiteral("^; End of Tallyline backup: (\\d+) keys, (\\d+) values$"));

struct Counts {
    qint64 keys = 0;
    qint64 values = 0;
};

// ---------------------------------------------------------------- writing

QByteArray utf16le(const QString &text, bool terminate)
{
    QByteArray out;
    out.reserve((text.size() + 1) * 2);
    for (const QChar c : text) {
        out.append(char(c.unicode() & 0xff));
        out.append(char(c.unicode() >> 8));
    }
    if (terminate)
        out.append(2, '\0');
    return out;
}

QByteArray littleEndian(quint64 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
    return out;
}

// Stored names and texts are UTF-8, where CR, LF and NUL are single bytes
// that never occur inside another character.
bool fitsOnOneLine(QByteArrayView utf8)
{
    for (const char c : utf8) {
        if (c == '\r' || c == '\n' || c == '\0')
            return false;
    }
    return true;
}

bool isAscii(QByteArrayView utf8)
{
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

[[noreturn]] void throwWriteError(const QString &filePath, int error)
{
    throw RegFileError(QStringLiteral("The backup file '%1' could not be written: %2.")
                           .arg(filePath, QString::fromLocal8Bit(std::strerror(error))));
}

// The temporary file's name: the backup's name, this, and six random characters.
const QByteArray PartialSuffix = QByteArrayLiteral(".partial-");
constexpr int PartialRandomLength = 6;

// A twenty-year history makes a file of tens of megabytes: it goes to disk
// block by block as the tree is read, never whole in memory. It goes to a
// temporary file beside the backup that replaces it only once complete and
// on disk, so a crash or a full disk leaves the previous backup as it was.
class BackupWriter
{
public:
    explicit BackupWriter(const QString &filePath)
        : m_filePath(filePath), m_target(QFile::encodeName(filePath)),
          m_temp(m_target + PartialSuffix + QByteArray(PartialRandomLength, 'X'))
    {
        m_fd = ::mkostemp(m_temp.data(), O_CLOEXEC);  // mode 0600
        if (m_fd < 0)
            throwWriteError(m_filePath, errno);
        m_buffer.reserve(BufferChars + 4096);
        m_buffer.push_back(u'\xFEFF');
    }

    ~BackupWriter()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_committed)
            ::unlink(m_temp.constData());
    }

    BackupWriter(const BackupWriter &) = delete;
    BackupWriter &operator=(const BackupWriter &) = delete;

    // Characters not yet written out: a line's length is measured with it.
    qsizetype pending() const { return qsizetype(m_buffer.size()); }

    void put(char16_t c) { m_buffer.push_back(c); }
    void put(QStringView text) { m_buffer.append(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size())); }
    void put(QLatin1StringView text)
    {
        for (const char c : text)
            m_buffer.push_back(char16_t(static_cast<unsigned char>(c)));
    }

    // Stored UTF-8 text, with backslashes and quotes escaped when asked.
    void putText(QByteArrayView utf8, bool escape)
    {
        if (!isAscii(utf8)) {
            const QString text = QString::fromUtf8(utf8);
            for (const QChar c : text) {
                if (escape && (c == QLatin1Char('\\') || c == QLatin1Char('"')))
                    m_buffer.push_back(u'\\');
                m_buffer.push_back(c.unicode());
            }
            return;
        }
        for (const char c : utf8) {
            if (escape && (c == '\\' || c == '"'))
                m_buffer.push_back(u'\\');
            m_buffer.push_back(char16_t(c));
        }
    }

    // The bytes as comma-separated hex pairs after a prefix of lineLength
    // characters, wrapped before the 80th column as the registry editor wraps them.
    void putHex(qsizetype lineLength, QByteArrayView bytes)
    {
        static const char16_t digits[] = u"0123456789abcdef";
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            const bool last = i + 1 == bytes.size();
            const qsizetype tokenLength = last ? 2 : 3;
            // Room for the continuation backslash.
            if (i > 0 && lineLength + tokenLength + 1 > HexLineWidth) {
                m_buffer.append(u"\\\r\n  ");
                lineLength = 2;
                flushWhenFull();
            }
            m_buffer.push_back(digits[b >> 4]);
            m_buffer.push_back(digits[b & 15]);
            if (!last)
                m_buffer.push_back(u',');
            lineLength += tokenLength;
        }
        m_buffer.append(u"\r\n");
    }

    void flushWhenFull()
    {
        if (m_buffer.size() >= BufferChars)
            flush();
    }

    void commit()
    {
        flush();
        if (::fsync(m_fd) != 0)
            throwWriteError(m_filePath, errno);
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            throwWriteError(m_filePath, errno);
        if (::rename(m_temp.constData(), m_target.constData()) != 0)
            throwWriteError(m_filePath, errno);
        m_committed = true;
        const QByteArray dir = QFile::encodeName(QFileInfo(m_filePath).absolutePath());
        const int dirFd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
    }

private:
    static constexpr size_t BufferChars = 128 * 1024;
    // Sent to the disk early, so that the closing fsync does not wait for the whole file.
    static constexpr qint64 WritebackBytes = 4 << 20;

    void flush()
    {
        if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian) {
            for (char16_t &c : m_buffer)
                c = qbswap(c);
        }
        const char *data = reinterpret_cast<const char *>(m_buffer.data());
        const size_t size = m_buffer.size() * sizeof(char16_t);
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(m_fd, data + done, size - done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throwWriteError(m_filePath, errno);
            }
            done += size_t(n);
        }
        m_buffer.clear();
        m_written += qint64(size);
        if (m_written - m_writtenBack >= WritebackBytes) {
            ::sync_file_range(m_fd, m_writtenBack, m_written - m_writtenBack, SYNC_FILE_RANGE_WRITE);
            m_writtenBack = m_written;
        }
    }

    QString m_filePath;
    QByteArray m_target;
    QByteArray m_temp;
    int m_fd = -1;
    bool m_committed = false;
    std::u16string m_buffer;
    qint64 m_written = 0;
    qint64 m_writtenBack = 0;
};

// Temporary files of an export that a crash or a power cut interrupted.
void removeLeftoverPartials(const QString &filePath)
{
    const QFileInfo target(filePath);
    const QString prefix = target.fileName() + QString::fromLatin1(PartialSuffix);
    const QDir dir = target.absoluteDir();
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (name.size() == prefix.size() + PartialRandomLength && name.startsWith(prefix))
            QFile::remove(dir.filePath(name));
    }
}

void writeValue(BackupWriter &out, const Store::TreeValue &value, const QString &keyPath)
{
    if (!fitsOnOneLine(value.name)) {
        throw RegFileError(QStringLiteral("The value name '%1' in key '%2' cannot be written to a backup file.")
                               .arg(QString::fromUtf8(value.name), keyPath));
    }
    const qsizetype lineStart = out.pending();
    if (value.name.isEmpty()) {
        out.put(u'@');
    } else {
        out.put(u'"');
        out.putText(value.name, true);
        out.put(u'"');
    }
    const auto hex = [&](QLatin1StringView marker, QByteArrayView bytes) {
        out.put(marker);
        out.putHex(out.pending() - lineStart, bytes);
    };
    switch (value.type) {
    case RegSz:
        if (fitsOnOneLine(value.data)) {
            out.put(QLatin1StringView("=\""));
            out.putText(value.data, true);
            out.put(QLatin1StringView("\"\r\n"));
        } else {
            hex(QLatin1StringView("=hex(1):"), utf16le(QString::fromUtf8(value.data), true));
        }
        break;
    case RegExpandSz:
        hex(QLatin1StringView("=hex(2):"), utf16le(QString::fromUtf8(value.data), true));
        break;
    case RegDword: {
        static const char digits[] = "0123456789abcdef";
        const auto number = quint32(value.integer);
        char line[] = "=dword:00000000\r\n";
        for (int i = 0; i < 8; ++i)
            line[7 + i] = digits[(number >> (28 - 4 * i)) & 15];
        out.put(QLatin1StringView(line));
        break;
    }
    case RegQword:
        hex(QLatin1StringView("=hex(b):"), littleEndian(quint64(value.integer), 8));
        break;
    case RegBinary:
        hex(QLatin1StringView("=hex:"), value.data);
        break;
    default: {
        const QByteArray marker = QStringLiteral("=hex(%1):").arg(value.type, 0, 16).toLatin1();
        hex(QLatin1StringView(marker), value.data);
        break;
    }
    }
    out.flushWhenFull();
}

class ExportVisitor : public Store::TreeVisitor
{
public:
    explicit ExportVisitor(BackupWriter &out) : m_out(out) {}

    void key(const QString &hivePath) override
    {
        const qsizetype cut = hivePath.lastIndexOf(QLatin1Char('\\'));
        const QString name = hivePath.mid(cut + 1);
        if (name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n')) || name.contains(QChar(0))) {
            throw RegFileError(QStringLiteral("The key name '%1' below '%2' cannot be written to a backup file.")
                                   .arg(name, hivePath.left(qMax(cut, qsizetype(0)))));
        }
        m_out.put(QLatin1StringView("\r\n["));
        m_out.put(HiveName);
        m_out.put(u'\\');
        m_out.put(hivePath);
        m_out.put(QLatin1StringView("]\r\n"));
        m_path = hivePath;
        ++counts.keys;
    }

    void value(const Store::TreeValue &value) override
    {
        writeValue(m_out, value, m_path);
        ++counts.values;
    }

    Counts counts;

private:
    BackupWriter &m_out;
    QString m_path;
};

// The root key's path with its names spelled as stored; empty when it does not exist.
QString storedRootPath(Store &store)
{
    QString path;
    for (const QString &part : RootParts) {
        QString match;
        const QStringList names = store.subkeyNames(path);
        for (const QString &name : names) {
            if (name.compare(part, Qt::CaseInsensitive) == 0) {
                match = name;
                break;
            }
        }
        if (match.isEmpty())
            return QString();
        path = path.isEmpty() ? match : path + QLatin1Char('\\') + match;
    }
    return path;
}


// ---------------------------------------------------------------- reading

QString decodeCp1252(const QByteArray &bytes)
{
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out += (b >= 0x80 && b < 0xA0) ? QChar(high[b - 0x80]) : QChar(b);
    }
    return out;
}

// 8-bit text: UTF-8 when it is valid UTF-8, otherwise the Windows ANSI code page.
QString decode8Bit(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return decodeCp1252(bytes);
}

struct Op {
    enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
    int line;
    QString path;
    StoreValue value;
};

class Parser
{
public:
    Parser(const QString &filePath, const QByteArray &raw) : m_filePath(filePath), m_raw(raw) {}

    QList<Op> parse()
    {
        splitLines(decodeFile());
        if (m_lines.isEmpty() || (m_lines.size() == 1 && m_lines[0].trimmed().isEmpty()))
            fail(1, QStringLiteral("the file is empty"));
        if (!m_lastLineTerminated)
            fail(int(m_lines.size()), QStringLiteral("the file ends in the middle of a line (it may be truncated)"));
        const QString header = m_lines[0].trimmed();
        if (header == Header5)
            m_unicode = true;
        else if (header == Header4)
            m_unicode = false;
        else
            fail(1, QStringLiteral("unknown header '%1'").arg(printable(header.left(60))));

        for (m_index = 1; m_index < m_lines.size(); ++m_index) {
            const QString line = m_lines[m_index].trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
                continue;
            if (line.contains(QChar(0)))
                fail(lineNo(), QStringLiteral("the line holds a NUL character"));
            if (line.startsWith(QLatin1Char('['))) {
                parseKeyLine(line);
                ++m_counts.keys;
            } else {
                parseValueLine(line);
                ++m_counts.values;
            }
        }
        checkEnd();
        return m_ops;
    }

private:
    [[noreturn]] void fail(int line, const QString &why) const
    {
        throw RegFileError(QStringLiteral("The backup file '%1' cannot be imported: line %2: %3.")
                               .arg(m_filePath)
                               .arg(line)
                               .arg(why));
    }
    int lineNo() const { return int(m_index) + 1; }

    // A file cut at a line end parses cleanly up to the cut; its end tells.
    void checkEnd() const
    {
        const bool ours = m_lines.size() > 1 && m_lines[1].trimmed() == OwnFileLine;
        qsizetype last = m_lines.size() - 1;
        while (last > 0 && m_lines[last].trimmed().isEmpty())
            --last;
        const QRegularExpressionMatch end = EndLinePattern.match(m_lines[last].trimmed());
        if (end.hasMatch()) {
            const qint64 keys = end.captured(1).toLongLong();
            const qint64 values = end.captured(2).toLongLong();
            if (keys != m_counts.keys || values != m_counts.values) {
                fail(int(last) + 1, QStringLiteral("the file holds %1 keys and %2 values, but was written with "
                                                   "%3 keys and %4 values (it is incomplete)")
                                        .arg(m_counts.keys)
                                        .arg(m_counts.values)
                                        .arg(keys)
                                        .arg(values));
            }
            return;
        }
        if (ours)
            fail(int(m_lines.size()), QStringLiteral("the file ends before its closing count line (it is truncated)"));
        if (!m_lines.constLast().trimmed().isEmpty())
            fail(int(m_lines.size()), QStringLiteral("the file does not end with a blank line (it may be truncated)"));
    }

    static QString printable(QString text)
    {
        for (QChar &c : text) {
            if (!c.isPrint())
                c = QLatin1Char('?');
        }
        return text;
    }

    QString decodeFile()
    {
        const QByteArray &b = m_raw;
        const auto startsWith = [&b](const char *bom, int n) { return b.size() >= n && std::memcmp(b.constData(), bom, size_t(n)) == 0; };
        if (startsWith("\xFF\xFE", 2) || startsWith("\xFE\xFF", 2)) {
            const bool little = static_cast<unsigned char>(b[0]) == 0xFF;
            const QByteArray body = b.mid(2);
            if (body.size() % 2 != 0) {
                m_oddUtf16 = true;
            }
            QString text;
            text.reserve(body.size() / 2);
            for (qsizetype i = 0; i + 1 < body.size(); i += 2) {
                const auto lo = static_cast<unsigned char>(body[little ? i : i + 1]);
                const auto hi = static_cast<unsigned char>(body[little ? i + 1 : i]);
                text += QChar(char16_t(lo | (hi << 8)));
            }
            return text;
        }
        if (startsWith("\xEF\xBB\xBF", 3))
            return decode8Bit(b.mid(3));
        return decode8Bit(b);
    }

    void splitLines(const QString &text)
    {
        qsizetype start = 0;
        m_lastLineTerminated = true;
        while (start < text.size()) {
            const qsizetype nl = text.indexOf(QLatin1Char('\n'), start);
            if (nl < 0) {
                m_lines.append(text.mid(start));
                m_lastLineTerminated = false;
                break;
            }
            qsizetype end = nl;
            if (end > start && text[end - 1] == QLatin1Char('\r'))
                --end;
            m_lines.append(text.mid(start, end - start));
            start = nl + 1;
        }
        // A UTF-16 file cut in the middle of a character is truncated too.
        if (m_oddUtf16)
            m_lastLineTerminated = false;
    }

    void parseKeyLine(const QString &line)
    {
        if (!line.endsWith(QLatin1Char(']')) || line.size() < 3)
            fail(lineNo(), QStringLiteral("a key line without its closing bracket"));
        QString inner = line.mid(1, line.size() - 2);
        const bool deletion = inner.startsWith(QLatin1Char('-'));
        if (deletion)
            inner.remove(0, 1);
        const QStringList parts = inner.split(QLatin1Char('\\'));
        if (parts.isEmpty() || parts[0].compare(HiveName, Qt::CaseInsensitive) != 0)
            fail(lineNo(), QStringLiteral("the key '%1' is outside HKEY_LOCAL_MACHINE").arg(inner));
        const QStringList path = parts.mid(1);
        for (const QString &p : path) {
            if (p.isEmpty())
                fail(lineNo(), QStringLiteral("the key '%1' has an empty name in its path").arg(inner));
        }
        const auto below = [&path](const QStringList &prefix, bool exact) {
            if (path.size() < prefix.size() || (exact && path.size() != prefix.size()))
                return false;
            for (qsizetype i = 0; i < prefix.size(); ++i) {
                if (path[i].compare(prefix[i], Qt::CaseInsensitive) != 0)
                    return false;
            }
            return true;
        };
        if (!below(RootParts, false) && !below(RunParts, true))
            fail(lineNo(), QStringLiteral("the key '%1' is outside the Tallyline database").arg(inner));
        const QString hivePath = path.join(QLatin1Char('\\'));
        if (deletion) {
            m_ops.append({Op::DeleteKey, lineNo(), hivePath, {}});
            m_currentKey.clear();
            m_inDeletedKey = true;
        } else {
            m_ops.append({Op::CreateKey, lineNo(), hivePath, {}});
            m_currentKey = hivePath;
            m_inDeletedKey = false;
        }
    }

    // Reads a quoted text starting at pos (on the opening quote); pos ends after the closing quote.
    QString quoted(const QString &line, qsizetype &pos)
    {
        QString out;
        ++pos;
        while (pos < line.size()) {
            const QChar c = line[pos++];
            if (c == QLatin1Char('"'))
                return out;
            if (c == QLatin1Char('\\')) {
                if (pos >= line.size())
                    break;
                const QChar e = line[pos++];
                if (e != QLatin1Char('\\') && e != QLatin1Char('"'))
                    fail(lineNo(), QStringLiteral("unknown escape '\\%1' in a quoted text").arg(e));
                out += e;
                continue;
            }
            out += c;
        }
        fail(lineNo(), QStringLiteral("a quoted text without its closing quote"));
    }

    static void skipSpaces(const QString &line, qsizetype &pos)
    {
        while (pos < line.size() && (line[pos] == QLatin1Char(' ') || line[pos] == QLatin1Char('\t')))
            ++pos;
    }

    void parseValueLine(const QString &line)
    {
        if (m_currentKey.isEmpty()) {
            if (m_inDeletedKey)
                fail(lineNo(), QStringLiteral("a value below a deleted key"));
            if (line.startsWith(QLatin1Char('"')) || line.startsWith(QLatin1Char('@')))
                fail(lineNo(), QStringLiteral("a value before the first key"));
            fail(lineNo(), QStringLiteral("a line that is neither a key nor a value"));
        }
        const int startLine = lineNo();
        StoreValue value;
        qsizetype pos = 0;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (line.startsWith(QLatin1Char('"'))) {
            value.name = quoted(line, pos);
            if (value.name.isEmpty())
                fail(lineNo(), QStringLiteral("an empty value name (the default value is written @)"));
        } else {
            fail(lineNo(), QStringLiteral("a line that is neither a key nor a value"));
        }
        skipSpaces(line, pos);
        if (pos >= line.size() || line[pos] != QLatin1Char('='))
            fail(lineNo(), QStringLiteral("'=' expected after the value name"));
        ++pos;
        skipSpaces(line, pos);
        const QString rest = line.mid(pos);

        if (rest == QLatin1String("-")) {
            m_ops.append({Op::DeleteValue, startLine, m_currentKey, value});
            return;
        }
        if (rest.startsWith(QLatin1Char('"'))) {
            qsizetype p = 0;
            value.type = RegSz;
            value.data = quoted(rest, p);
            if (!rest.mid(p).trimmed().isEmpty())
                fail(lineNo(), QStringLiteral("text after the closing quote"));
        } else if (rest.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            const QString digits = rest.mid(6).trimmed();
            bool ok = false;
            const uint number = digits.toUInt(&ok, 16);
            if (!ok || digits.isEmpty() || digits.size() > 8 || !isHex(digits))
                fail(lineNo(), QStringLiteral("'%1' is not a DWORD (one to eight hexadecimal digits)").arg(digits));
            value.type = RegDword;
            value.data = qint64(qint32(number));
        } else if (rest.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            parseHexValue(rest, value);
        } else {
            fail(lineNo(), QStringLiteral("unknown value data '%1'").arg(rest.left(40)));
        }
        m_ops.append({Op::SetValue, startLine, m_currentKey, value});
    }

    static bool isHex(const QString &text)
    {
        for (const QChar c : text) {
            if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
                  || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
                return false;
        }
        return true;
    }

    void parseHexValue(const QString &rest, StoreValue &value)
    {
        qsizetype pos = 3;
        int type = RegBinary;
        if (pos < rest.size() && rest[pos] == QLatin1Char('(')) {
            const qsizetype close = rest.indexOf(QLatin1Char(')'), pos);
            const QString number = close < 0 ? QString() : rest.mid(pos + 1, close - pos - 1);
            bool ok = false;
            type = number.toInt(&ok, 16);
            if (!ok || number.isEmpty() || !isHex(number) || number.size() > 8)
                fail(lineNo(), QStringLiteral("a bad type in '%1'").arg(rest.left(20)));
            pos = close + 1;
        }
        if (pos >= rest.size() || rest[pos] != QLatin1Char(':'))
            fail(lineNo(), QStringLiteral("':' expected after hex"));
        QString body = rest.mid(pos + 1).trimmed();
        while (body.endsWith(QLatin1Char('\\'))) {
            body.chop(1);
            ++m_index;
            if (m_index >= m_lines.size())
                fail(int(m_lines.size()), QStringLiteral("the file ends inside a continued value (it may be truncated)"));
            body += m_lines[m_index].trimmed();
        }
        QByteArray bytes;
        if (!body.trimmed().isEmpty()) {
            const QStringList tokens = body.split(QLatin1Char(','));
            bytes.reserve(tokens.size());
            for (const QString &token : tokens) {
                const QString t = token.trimmed();
                if (t.isEmpty() || t.size() > 2 || !isHex(t))
                    fail(lineNo(), QStringLiteral("'%1' is not a hexadecimal byte").arg(t.left(20)));
                bytes.append(char(t.toUInt(nullptr, 16)));
            }
        }
        value.type = type;
        switch (type) {
        case RegSz:
        case RegExpandSz:
            value.data = bytesToText(bytes);
            break;
        case RegDword:
            if (bytes.size() != 4)
                fail(lineNo(), QStringLiteral("a DWORD value needs four bytes, not %1").arg(bytes.size()));
            value.data = qint64(qint32(quint32(fromLittleEndian(bytes))));
            break;
        case RegQword:
            if (bytes.size() != 8)
                fail(lineNo(), QStringLiteral("a QWORD value needs eight bytes, not %1").arg(bytes.size()));
            value.data = qint64(fromLittleEndian(bytes));
            break;
        case RegMultiSz:
            // Kept as the registry keeps it: UTF-16LE.
            value.data = m_unicode ? bytes : utf16le(decode8Bit(bytes), false);
            break;
        default:
            value.data = bytes;
            break;
        }
    }

    static quint64 fromLittleEndian(const QByteArray &bytes)
    {
        quint64 v = 0;
        for (qsizetype i = bytes.size() - 1; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(bytes[i]);
        return v;
    }

    QString bytesToText(const QByteArray &bytes)
    {
        QString text;
        if (m_unicode) {
            if (bytes.size() % 2 != 0)
                fail(lineNo(), QStringLiteral("text data with an odd number of bytes"));
            for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
                text += QChar(char16_t(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        } else {
            text = decode8Bit(bytes);
        }
        if (text.endsWith(QChar(0)))
            text.chop(1);
        return text;
    }

    QString m_filePath;
    QByteArray m_raw;
    QStringList m_lines;
    bool m_lastLineTerminated = true;
    bool m_oddUtf16 = false;
    bool m_unicode = true;
    qsizetype m_index = 0;
    QString m_currentKey;
    bool m_inDeletedKey = false;
    QList<Op> m_ops;
    Counts m_counts;
};

} // namespace

void ExportRegFile(Store &store, const QString &filePath)
{
    BackupWriter out(filePath);
    out.put(Header5);
    out.put(QLatin1StringView("\r\n"));
    out.put(OwnFileLine);
    out.put(QLatin1StringView("\r\n"));
    ExportVisitor visitor(out);
    {
        // One read transaction: the file shows the store at one moment.
        Store::Transaction snapshot(store);
        const QString root = storedRootPath(store);
        if (!root.isEmpty())
            store.visitTree(root, visitor);
        snapshot.commit();
    }
    out.put(QLatin1StringView("\r\n"));
    out.put(EndLineFormat.arg(visitor.counts.keys).arg(visitor.counts.values));
    out.put(QLatin1StringView("\r\n"));
    out.commit();
    removeLeftoverPartials(filePath);
}

namespace {

// The whole file; nothing is checked or applied yet.
QByteArray readRegFile(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        throw RegFileError(QStringLiteral("The backup file '%1' cannot be imported: %2.")
                               .arg(filePath, file.errorString()));
    }
    const QByteArray raw = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw RegFileError(QStringLiteral("The backup file '%1' cannot be imported: %2.")
                               .arg(filePath, file.errorString()));
    }
    file.close();
    return raw;
}

int userCountOf(const QList<Op> &ops)
{
    const QString users = (RootParts + QStringList{QStringLiteral("Users")}).join(QLatin1Char('\\'));
    const QString general = (RootParts + QStringList{QStringLiteral("General")}).join(QLatin1Char('\\'));
    int inUsers = 0;
    int inGeneral = 0;
    for (const Op &op : ops) {
        if (op.kind != Op::SetValue || op.value.type != RegDword
            || op.value.name.compare(UserCountValueName(), Qt::CaseInsensitive) != 0)
            continue;
        if (op.path.compare(users, Qt::CaseInsensitive) == 0)
            inUsers = int(op.value.data.toLongLong());
        else if (op.path.compare(general, Qt::CaseInsensitive) == 0)
            inGeneral = int(op.value.data.toLongLong());
    }
    return inUsers > 0 ? inUsers : inGeneral;
}

void importOps(Store &store, const QList<Op> &ops, const QString &filePath)
{
    Store::Transaction transaction(store);
    int line = 0;
    try {
        for (const Op &op : ops) {
            line = op.line;
            switch (op.kind) {
            case Op::CreateKey:
                store.createKey(op.path);
                break;
            case Op::DeleteKey:
                store.deleteKeyTree(op.path);
                break;
            case Op::SetValue:
                store.setValue(op.path, op.value);
                break;
            case Op::DeleteValue:
                store.removeValue(op.path, op.value.name);
                break;
            }
        }
    } catch (const RegFileError &) {
        throw;
    } catch (const TallylineError &e) {
        throw RegFileError(QStringLiteral("The backup file '%1' cannot be imported: line %2: %3.")
                               .arg(filePath)
                               .arg(line)
                               .arg(e.message()));
    }
    // A backup may replace any day of any user: the per-day totals are
    // made anew from what was imported, in the same transaction.
    RebuildSessionDaySummary(store);
    transaction.commit();
}

} // namespace

int RegFileUserCount(const QString &filePath)
{
    return RegFileTextUserCount(readRegFile(filePath), filePath);
}

int RegFileTextUserCount(const QByteArray &text, const QString &fileNameForErrors)
{
    return userCountOf(Parser(fileNameForErrors, text).parse());
}

void ImportRegFile(Store &store, const QString &filePath)
{
    // Read the whole file before touching the store.
    importOps(store, Parser(filePath, readRegFile(filePath)).parse(), filePath);
}

void ImportRegFileText(Store &store, const QByteArray &text, const QString &fileNameForErrors)
{
    importOps(store, Parser(fileNameForErrors, text).parse(), fileNameForErrors);
}
