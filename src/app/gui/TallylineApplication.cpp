#include "app/gui/TallylineApplication.h"

#include <cstdio>

TallylineApplication::TallylineApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TallylineApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (m_errorHandler) {
            try {
                m_errorHandler(std::current_exception());
            } catch (...) {
                std::fputs("Tallyline: the error report itself failed\n", stderr);
            }
        }
        return false;
    }
}
