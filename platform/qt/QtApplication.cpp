// The application object with its exception hook.
#include "platform/qt/QtApplication.h"

#include <exception>

TQtApplication::TQtApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TQtApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        if (OnException) OnException(error.what());
    } catch (...) {
        if (OnException) OnException("Unknown exception.");
    }
    return false;
}
