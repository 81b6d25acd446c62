// Measuring a font's dialog base units.
#include "server/ui/fltk/DialogUnits.h"

#include <FL/fl_draw.H>

DialogUnits DialogUnits::of(Fl_Font font, Fl_Fontsize size) {
    fl_font(font, size);
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    double width = fl_width(letters);
    DialogUnits units;
    units.baseWidth = static_cast<int>((width / 26 + 1) / 2);
    units.baseHeight = fl_height();
    return units;
}
