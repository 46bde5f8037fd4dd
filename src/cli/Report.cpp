#include "cli/Report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace cli {

namespace {

QString plainText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Double: {
        const double v = value.toDouble();
        if (!std::isfinite(v))
            return QString();
        // Shortest text that reads back as the same number, never in the
        // user's locale: a comma would split the field.
        return QString::number(v, 'g', QLocale::FloatingPointShortest);
    }
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    default:
        return value.toString();
    }
}

QJsonValue jsonValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Double: {
        const double v = value.toDouble();
        return std::isfinite(v) ? QJsonValue(v) : QJsonValue();
    }
    case QMetaType::LongLong:
        return QJsonValue(value.toLongLong());
    case QMetaType::QString:
        return QJsonValue(value.toString());
    default:
        return QJsonValue();
    }
}

QString padded(const QString &text, qsizetype width, bool right)
{
    return right ? text.rightJustified(width) : text.leftJustified(width);
}

} // namespace

QString CsvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString RenderText(const Report &report)
{
    QString out;
    for (const QString &line : report.heading)
        out += line + QLatin1Char('\n');
    if (!report.lines.isEmpty() || report.columns.isEmpty()) {
        for (const QString &line : report.lines)
            out += line + QLatin1Char('\n');
        return out;
    }
    if (!report.heading.isEmpty())
        out += QLatin1Char('\n');
    const qsizetype count = report.columns.size();
    QList<qsizetype> widths(count, 0);
    for (qsizetype c = 0; c < count; ++c)
        widths[c] = report.columns[c].caption.size();
    const auto measure = [&](const QList<Row> &rows) {
        for (const Row &row : rows) {
            for (qsizetype c = 0; c < count && c < row.size(); ++c)
                widths[c] = std::max(widths[c], row[c].text.size());
        }
    };
    measure(report.rows);
    measure(report.footer);
    const auto line = [&](const auto &textOf) {
        QString text;
        for (qsizetype c = 0; c < count; ++c) {
            if (c > 0)
                text += QStringLiteral("  ");
            text += padded(textOf(c), widths[c], report.columns[c].rightAligned);
        }
        // No trailing blanks: a left-aligned last column pads for nothing.
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        out += text + QLatin1Char('\n');
    };
    line([&](qsizetype c) { return report.columns[c].caption; });
    const auto rowsOf = [&](const QList<Row> &rows) {
        for (const Row &row : rows)
            line([&](qsizetype c) { return c < row.size() ? row[c].text : QString(); });
    };
    rowsOf(report.rows);
    if (!report.footer.isEmpty()) {
        line([&](qsizetype c) { return QString(widths[c], QLatin1Char('-')); });
        rowsOf(report.footer);
    }
    return out;
}

QString RenderCsv(const Report &report)
{
    QString out;
    const auto record = [&out](const QStringList &fields) {
        QStringList quoted;
        for (const QString &field : fields)
            quoted.append(CsvField(field));
        out += quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    };
    QStringList header;
    for (const Column &column : report.columns)
        header.append(column.key);
    record(header);
    for (const Row &row : report.rows) {
        QStringList fields;
        for (qsizetype c = 0; c < report.columns.size(); ++c)
            fields.append(c < row.size() ? plainText(row[c].value) : QString());
        record(fields);
    }
    return out;
}

QString RenderJson(const Report &report)
{
    QJsonObject document = report.json;
    if (!report.jsonRowsKey.isEmpty()) {
        QJsonArray rows;
        for (const Row &row : report.rows) {
            QJsonObject object;
            for (qsizetype c = 0; c < report.columns.size(); ++c)
                object.insert(report.columns[c].key, c < row.size() ? jsonValue(row[c].value) : QJsonValue());
            rows.append(object);
        }
        document.insert(report.jsonRowsKey, rows);
    }
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

QString Render(const Report &report, Format format)
{
    switch (format) {
    case Format::Csv:
        return RenderCsv(report);
    case Format::Json:
        return RenderJson(report);
    case Format::Text:
        break;
    }
    return RenderText(report);
}

} // namespace cli
