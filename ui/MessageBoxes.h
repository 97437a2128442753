#pragma once

#include <QString>

class QWidget;

// Shows text in a modal box with the warning icon and an OK button, titled
// with the application name; returns when the operator has closed it.
void ShowWarning(QWidget* parent, const QString& text);

// Safe from any thread: queues the same box to the GUI thread and returns at
// once, so that a worker never waits for the operator. The box blocks no
// window, so Stop stays at hand; a text whose box is still open is not shown
// again. Does nothing when no application object exists (a run without a
// display).
void PostWarning(const QString& text);
