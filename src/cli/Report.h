#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// What a query answers, ready for any of the output formats: a table whose
// cells carry both the text a person reads (the program's own formatting)
// and the plain value a machine reads (ISO dates, seconds, bytes, numbers).
namespace cli {

struct Column {
    QString key;      // CSV header and JSON member name
    QString caption;  // text header
    bool rightAligned = false;
};

struct Cell {
    QString text;
    QVariant value;  // QString, qint64 or double; a null QVariant is an empty field
};

using Row = QList<Cell>;

struct Report {
    QStringList heading;      // text lines above the table
    QList<Column> columns;
    QList<Row> rows;
    QList<Row> footer;        // text only: totals under the table
    QStringList lines;        // text only: shown instead of the table when there are any
    QJsonObject json;         // the document's other members
    QString jsonRowsKey;      // where the rows go in the document
};

enum class Format { Text, Csv, Json };

QString RenderText(const Report &report);
// RFC 4180: CRLF line ends; a field with a comma, quote or line break is
// quoted, its quotes doubled.
QString RenderCsv(const Report &report);
QString RenderJson(const Report &report);
QString Render(const Report &report, Format format);

QString CsvField(const QString &text);

} // namespace cli
