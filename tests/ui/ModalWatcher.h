#pragma once

#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <vector>

namespace uitest {

struct SeenMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

struct SeenFileDialog {
    QString title;
    QString directory;
    QStringList nameFilters;
    QString defaultSuffix;
    bool confirmsOverwrite = true;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
};

// Plays the operator for the modal boxes a test provokes: it notes every
// message box and file dialog that opens, keeps each message box open for a
// while (so that a timer behind it gets the chance to raise more), then
// presses OK, and answers file dialogs with a chosen path or cancels them.
// Each window is answered once; one that stays open after its answer fails
// the test and is closed, so that no modal loop outlasts a few seconds.
class ModalWatcher : public QObject {
public:
    explicit ModalWatcher(int holdMessagesMs = 0);

    // The answer to the next file dialogs; an empty path cancels them.
    void AnswerFileDialogsWith(const QString& path) { fileAnswer = path; }

    const std::vector<SeenMessage>& Messages() const { return messages; }
    const std::vector<SeenFileDialog>& FileDialogs() const { return fileDialogs; }
    // The most message boxes seen open at the same time.
    int MostOpenAtOnce() const { return mostOpenAtOnce; }

private:
    struct Opened {
        QPointer<QDialog> window;
        QElapsedTimer seen;
        QElapsedTimer answered; // invalid until answered
    };

    void Poll();
    bool Knows(const QWidget* window) const;
    Opened& Watch(QDialog* window);

    int holdMessagesMs = 0;
    QString fileAnswer;
    QTimer poller;
    std::vector<Opened> open;
    std::vector<SeenMessage> messages;
    std::vector<SeenFileDialog> fileDialogs;
    int mostOpenAtOnce = 0;
};

} // namespace uitest
