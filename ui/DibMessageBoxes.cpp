#include "DibMessageBoxes.h"

#include "MessageBoxes.h"

#include <QString>

DibMessageBoxes::DibMessageBoxes()
    : previous(SetDibErrorHook([](std::string_view message) {
          PostWarning(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
      })) {}

DibMessageBoxes::~DibMessageBoxes() {
    SetDibErrorHook(previous);
}
