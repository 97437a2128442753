#pragma once

#include <QString>

// The room the file dialog's filter and title texts have, terminator
// included; a longer language text is cut to fit.
inline constexpr int kFileDialogTextRoom = 260;

// Cuts a language text to the room of a file dialog text.
QString FitFileDialogText(const QString& text);

// Turns a filter of the form "Description|*.a;*.b|Other|*.*||" into the
// file dialog's form "Description (*.a *.b);;Other (*)", a "*.*" pattern
// becoming "*". A description that already ends in its patterns in brackets is
// not given them twice; a description without a pattern after it is dropped.
QString ConvertSaveFileFilter(const QString& barSeparated);
