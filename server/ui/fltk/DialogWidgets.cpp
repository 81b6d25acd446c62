// Drawing of the group box and the dialog header.
#include "server/ui/fltk/DialogWidgets.h"

#include "server/ui/fltk/DialogUnits.h"

#include <FL/fl_draw.H>

GroupBox::GroupBox(int x, int y, int w, int h, const char* text) : Fl_Widget(x, y, w, h, text) {
    labelfont(DIALOG_FONT);
    labelsize(OPTIONS_DIALOG_FONT_SIZE);
}

void GroupBox::draw() {
    fl_font(labelfont(), labelsize());
    int textHeight = fl_height();
    int top = y() + textHeight / 2;
    fl_draw_box(FL_ENGRAVED_FRAME, x(), top, w(), h() - (top - y()), FL_BACKGROUND_COLOR);
    if (label() == nullptr)
        return;
    int textWidth = static_cast<int>(fl_width(label())) + 4;
    fl_color(FL_BACKGROUND_COLOR);
    fl_rectf(x() + 6, y(), textWidth, textHeight);
    fl_color(FL_BLACK);
    fl_draw(label(), x() + 8, y(), textWidth, textHeight, FL_ALIGN_LEFT);
}

DialogHeader::DialogHeader(int x, int y, int w, int h, const std::string& text, int lineY)
    : Fl_Widget(x, y, w, h), separatorY(lineY) {
    // FLTK breaks lines at "\n" alone.
    for (char c : text)
        if (c != '\r')
            lines += c;
}

void DialogHeader::draw() {
    fl_font(HEADER_FONT, HEADER_FONT_SIZE);
    fl_color(fl_rgb_color(0, 0, 128));
    fl_draw(lines.c_str(), x(), y(), w(), h(), FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE);
    if (separatorY >= 0) {
        fl_color(FL_BLACK);
        fl_line(0, separatorY, window() != nullptr ? window()->w() : x() + w(), separatorY);
    }
}
