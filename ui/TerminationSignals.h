#pragma once

#include "platform/NoCopy.h"
#include "platform/StopSignals.h"

#include <QObject>
#include <functional>

class QDialog;
class QSocketNotifier;

// While the object lives, SIGTERM, SIGINT and SIGHUP (a logout, kill, Ctrl+C
// in the terminal that started the program) call onSignal on the GUI thread,
// so that the program can end as Exit ends it: worker stopped, settings
// stored. The previous handlers come back when the object goes. Needs the
// application object; one object at a time.
class TerminationSignals : public QObject, private platform::NoCopy {
public:
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals() override;

private:
    void Drain();

    std::function<void()> onSignal;
    platform::StopSignals stopSignals;
    QSocketNotifier* notifier = nullptr;
};

// Ends what the operator has open, innermost first: modal boxes above the
// main dialog are cancelled, then the main dialog gets Exit.
void EndLikeExit(QDialog& mainDialog);
