// Dialog units to pixels, from the base units of the dialog's font.
#pragma once

#include <FL/Enumerations.H>

struct DialogUnits {
    // Measures the font (the display must be open): the average width of the letters and the
    // font height, as the dialog manager takes them.
    static DialogUnits of(Fl_Font font, Fl_Fontsize size);

    int x(int units) const { return (units * baseWidth + 2) / 4; }
    int y(int units) const { return (units * baseHeight + 4) / 8; }

    int baseWidth = 6;
    int baseHeight = 13;
};

// Tahoma, the dialogs' font, is stood in for by FLTK's sans-serif face.
inline constexpr Fl_Font DIALOG_FONT = FL_HELVETICA;
// Tahoma 8 and 9 points at 96 dots per inch.
inline constexpr Fl_Fontsize STATUS_DIALOG_FONT_SIZE = 11;
inline constexpr Fl_Fontsize OPTIONS_DIALOG_FONT_SIZE = 12;
// The header font: Tahoma of cell height 16, width 7, weight 680.
inline constexpr Fl_Font HEADER_FONT = FL_HELVETICA_BOLD;
inline constexpr Fl_Fontsize HEADER_FONT_SIZE = 14;
