#include "DialogUnits.h"

#include <QFontMetrics>

namespace {

// The average width is taken over the 52 letters, rounded half up, as the
// dialog units of the template were laid out against.
constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

int ScaleRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    baseX = (metrics.horizontalAdvance(QString::fromLatin1(kAlphabet)) / 26 + 1) / 2;
    baseY = metrics.height();
}

int DialogUnits::ToPixelsX(int units) const {
    return ScaleRounded(units, baseX, 4);
}

int DialogUnits::ToPixelsY(int units) const {
    return ScaleRounded(units, baseY, 8);
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}
