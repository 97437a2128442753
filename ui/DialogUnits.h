#pragma once

#include <QFont>
#include <QRect>

// Converts template coordinates, given in dialog units, into pixels of a
// dialog that uses the given font: a horizontal unit is a quarter of the
// font's average character width, a vertical unit an eighth of its height.
// So the template's layout grows and shrinks with the font.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int BaseX() const { return baseX; }
    int BaseY() const { return baseY; }

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(int x, int y, int width, int height) const;

private:
    int baseX = 0;
    int baseY = 0;
};
