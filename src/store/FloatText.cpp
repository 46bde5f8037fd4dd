#include "store/FloatText.h"

#include "core/Errors.h"

#include <QLocale>

#include <cmath>
#include <cstdio>
#include <limits>

QString FloatToStoreText(double value)
{
    if (value == 0.0 || std::isnan(value))
        return QStringLiteral("0");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");

    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);  // d.dddddddddddddde+XX: 15 significant digits
    QByteArray text(buf);
    const bool negative = text.startsWith('-');
    if (negative)
        text.remove(0, 1);
    const int ePos = int(text.indexOf('e'));
    const int exponent = text.mid(ePos + 1).toInt();
    QByteArray digits = text.left(ePos);
    digits.remove(1, 1);  // drop the point: 15 digits
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);

    const QString point = QLocale().decimalPoint();
    QString out;
    if (negative)
        out += QLatin1Char('-');
    if (exponent < -5 || exponent >= 15) {
        out += QLatin1Char(digits[0]);
        if (digits.size() > 1)
            out += point + QString::fromLatin1(digits.mid(1));
        out += QLatin1Char('E') + QString::number(exponent);
        return out;
    }
    if (exponent < 0) {
        out += QLatin1Char('0') + point + QString(-exponent - 1, QLatin1Char('0')) + QString::fromLatin1(digits);
        return out;
    }
    const int intDigits = exponent + 1;
    if (digits.size() <= intDigits) {
        out += QString::fromLatin1(digits) + QString(intDigits - digits.size(), QLatin1Char('0'));
    } else {
        out += QString::fromLatin1(digits.left(intDigits)) + point + QString::fromLatin1(digits.mid(intDigits));
    }
    return out;
}

bool TryStoreTextToFloat(const QString &input, double &value)
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return false;
    // What the writer makes of an infinite value reads back as one.
    if (text.compare(QLatin1String("INF"), Qt::CaseInsensitive) == 0
        || text.compare(QLatin1String("+INF"), Qt::CaseInsensitive) == 0) {
        value = std::numeric_limits<double>::infinity();
        return true;
    }
    if (text.compare(QLatin1String("-INF"), Qt::CaseInsensitive) == 0) {
        value = -std::numeric_limits<double>::infinity();
        return true;
    }
    const QString localePoint = QLocale().decimalPoint();
    const QChar point = localePoint.isEmpty() ? QLatin1Char('.') : localePoint.at(0);
    const QChar other = point == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.');

    // Decide which character separates the decimals in this text.
    QChar separator = point;
    if (!text.contains(point) && text.count(other) == 1)
        separator = other;

    QByteArray c;
    c.reserve(text.size());
    int i = 0;
    const int n = int(text.size());
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        c += char(text[i++].unicode());
    int mantissaDigits = 0;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
        c += char(text[i++].unicode());
        ++mantissaDigits;
    }
    if (i < n && text[i] == separator) {
        c += '.';
        ++i;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            c += char(text[i++].unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        c += 'e';
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            c += char(text[i++].unicode());
        int expDigits = 0;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            c += char(text[i++].unicode());
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != n)
        return false;
    bool ok = false;
    const double parsed = QLocale::c().toDouble(QString::fromLatin1(c), &ok);
    if (!ok || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

double StoreTextToFloat(const QString &text)
{
    double value = 0;
    if (!TryStoreTextToFloat(text, value))
        throw ConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

double SafeStrToFloat(const QString &text)
{
    double value = 0;
    if (!TryStoreTextToFloat(text, value))
        return 0;
    return value;
}
