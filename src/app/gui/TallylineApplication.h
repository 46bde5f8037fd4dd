#pragma once

#include <QApplication>
#include <exception>
#include <functional>

// The application object. An exception that escapes an event handler ends
// here and goes to the error handler (the internal error report) instead of
// ending the program.
class TallylineApplication : public QApplication
{
    Q_OBJECT

public:
    TallylineApplication(int &argc, char **argv);

    void setErrorHandler(std::function<void(std::exception_ptr)> handler) { m_errorHandler = std::move(handler); }
    bool notify(QObject *receiver, QEvent *event) override;

private:
    std::function<void(std::exception_ptr)> m_errorHandler;
};
