#pragma once

#include <QColor>
#include <cstdlib>

namespace uitest {

// Whether a colour read off the screen is the one expected, each channel
// within tolerance: JPEG compression and scaling move colours a little.
inline bool ColourNear(QColor seen, QColor expected, int tolerance) {
    return std::abs(seen.red() - expected.red()) < tolerance &&
           std::abs(seen.green() - expected.green()) < tolerance &&
           std::abs(seen.blue() - expected.blue()) < tolerance;
}

} // namespace uitest
