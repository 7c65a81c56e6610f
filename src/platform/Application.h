#pragma once

#include <QApplication>

// The program's application object. A database error that a handler lets
// escape ends at the dispatch of the event that ran it, not the program:
// it is shown as Save shows one and written to the day's error log, and
// the screen stays as the handler left it.
class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
