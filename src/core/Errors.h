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
// The cause tells the passing conditions (another program holds the database
// locked, the disk is full, the disk failed a read or write) from the rest,
// so that a caller can keep its values and try again later instead of
// giving up.
class StoreError : public TallylineError
{
public:
    enum class Cause { Other, Locked, DiskFull, IoError };

    explicit StoreError(const QString &message, Cause cause = Cause::Other)
        : TallylineError(message, "ERegistryException"), m_cause(cause) {}

    Cause cause() const { return m_cause; }

private:
    Cause m_cause;
};

// A text that does not convert to a number or a date.
class ConvertError : public TallylineError
{
public:
    explicit ConvertError(const QString &message) : TallylineError(message, "EConvertError") {}
};

// Raised when the database file cannot be used at all. The message names the file.
class StoreOpenError : public std::runtime_error
{
public:
    explicit StoreOpenError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};
