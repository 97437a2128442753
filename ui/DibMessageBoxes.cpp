#include "DibMessageBoxes.h"

#include "MessageBoxes.h"
#include "picture/Dib.h"

#include <QString>

void DibMessageBoxes::OnRunEvent(const transfer::RunEvent& event) {
    const auto* failure = std::get_if<transfer::PictureFailed>(&event);
    if (failure != nullptr && failure->why == transfer::FailureCause::BitmapNotWritten) {
        PostWarning(QString::fromUtf8(CDib::kWriteError.data(),
                                      static_cast<qsizetype>(CDib::kWriteError.size())));
    }
}
