#pragma once

#include <QString>

// Floats are kept as text: general format, up to 15 significant digits, no
// trailing zeros, the locale's decimal separator (0.05, 2, 36526.4375).
QString FloatToStoreText(double value);

// Reads float text back. Text written under a locale with the other decimal
// separator ("0,05" read where the separator is ".") is accepted as long as
// it is unambiguous. Throws ConvertError for text that is not a number.
double StoreTextToFloat(const QString &text);
bool TryStoreTextToFloat(const QString &text, double &value);

// Empty or unconvertible text gives 0; never throws.
double SafeStrToFloat(const QString &text);
