#pragma once

#include <QString>
#include <stdexcept>

// Failures travel as exceptions. Each carries the class name the internal
// error report shows ("Class Name : ...") and a message in the user's words.
class TallylineError : public std::runtime_error
{
public:
    explicit TallylineError(const QString &message, const char *className = "Exception")
        : std::runtime_error(message.toStdString()), m_message(message), m_className(className) {}

    const QString &message() const { return m_message; }
    const char *className() const { return m_className; }

private:
    QString m_message;
    const char *m_className;
};

// A store operation that failed ("Failed to set data for '...'", "Invalid data type for '...'").
class StoreError : public TallylineError
{
public:
    explicit StoreError(const QString &message) : TallylineError(message, "ERegistryException") {}
};

// A text that does not convert to a number or a date.
class ConvertError : public TallylineError
{
public:
    explicit ConvertError(const QString &message) : TallylineError(message, "EConvertError") {}
};
