#include "TerminationSignals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The signal handler may only write to a pipe; the GUI thread reads it.
int wakeRead = -1;
int wakeWrite = -1;

void OnTerminationSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
    errno = savedErrno;
}

void Catch(int signalNumber, struct sigaction& old) {
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signalNumber, &action, &old);
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal)
    : onSignal(std::move(onSignal)) {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return; // the signals keep their default: the program just ends
    }
    wakeRead = ends[0];
    wakeWrite = ends[1];
    notifier = new QSocketNotifier(wakeRead, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::Drain);
    Catch(SIGTERM, oldTerminate);
    Catch(SIGINT, oldInterrupt);
    Catch(SIGHUP, oldHangUp);
}

TerminationSignals::~TerminationSignals() {
    if (notifier == nullptr) {
        return;
    }
    sigaction(SIGTERM, &oldTerminate, nullptr);
    sigaction(SIGINT, &oldInterrupt, nullptr);
    sigaction(SIGHUP, &oldHangUp, nullptr);
    delete notifier;
    ::close(wakeRead);
    ::close(wakeWrite);
    wakeRead = -1;
    wakeWrite = -1;
}

void TerminationSignals::Drain() {
    char bytes[16];
    bool raised = false;
    while (::read(wakeRead, bytes, sizeof bytes) > 0) {
        raised = true;
    }
    if (raised && onSignal) {
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
