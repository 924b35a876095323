// The application object: exceptions that escape an event handler go to one handler
// instead of crossing Qt's event loop.
#pragma once

#include <QApplication>

#include <string>

class TQtApplication : public QApplication
{
public:
    TQtApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // Receives the exception's message; the program keeps running.
    void (*OnException)(const std::string &message) = nullptr;
};
