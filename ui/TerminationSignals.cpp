#include "TerminationSignals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <csignal>

TerminationSignals::TerminationSignals(std::function<void()> onSignal)
    : onSignal(std::move(onSignal)),
      // The GUI thread's calls must not fail with EINTR; the handler only
      // wakes the pipe, which the event loop watches.
      stopSignals({.caught = {SIGTERM, SIGINT, SIGHUP}, .restartCalls = true, .wakePipe = true}) {
    if (!stopSignals.Catching()) {
        return; // the signals keep their default: the program just ends
    }
    notifier = new QSocketNotifier(stopSignals.WakeDescriptor(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::Drain);
}

TerminationSignals::~TerminationSignals() {
    // The notifier goes before the pipe it watches.
    delete notifier;
}

void TerminationSignals::Drain() {
    if (stopSignals.DrainWake() && onSignal) {
        onSignal();
    }
}

void EndLikeExit(QDialog& mainDialog) {
    // Each cancelled box leaves the modal stack at once; the bound only
    // guards against a box that refuses to go.
    for (int boxes = 0; boxes < 16; ++boxes) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == &mainDialog) {
            break;
        }
        if (auto* box = qobject_cast<QDialog*>(modal)) {
            box->reject();
        } else {
            modal->close();
        }
    }
    mainDialog.reject();
}
