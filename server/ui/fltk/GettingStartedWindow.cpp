// The getting-started dialog: program icon, header, how to connect and the version numbers.
#include "server/ui/fltk/GettingStartedWindow.h"

#include "server/ui/GettingStartedDialog.h"
#include "server/ui/fltk/DialogUnits.h"
#include "server/ui/fltk/DialogWidgets.h"
#include "server/ui/fltk/Pictures.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Window.H>
#include <memory>

namespace {

// Left-aligned static text; longer texts wrap at word breaks, like the handheld's labels.
Fl_Box* label(const DialogUnits& units, int x, int y, int w, int h, const char* text) {
    auto* box = new Fl_Box(units.x(x), units.y(y), units.x(w), units.y(h), text);
    bool severalLines = h >= 16;
    box->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | (severalLines ? FL_ALIGN_WRAP : 0));
    box->labelsize(OPTIONS_DIALOG_FONT_SIZE);
    return box;
}

void onClose(Fl_Widget* window, void*) {
    window->hide();
}

} // namespace

void runGettingStartedWindow(StatusPictures& pictures) {
    DialogUnits units = DialogUnits::of(DIALOG_FONT, OPTIONS_DIALOG_FONT_SIZE);
    std::unique_ptr<Fl_Window> window(new Fl_Window(units.x(143), units.y(156), GETTING_STARTED_CAPTION));
    auto* icon = new Fl_Box(units.x(16), units.y(7), units.x(20), units.y(20));
    if (pictures.programIcon32)
        icon->image(pictures.programIcon32->pixmap());
    label(units, 8, 64, 118, 25, GETTING_STARTED_TEXT);
    label(units, 8, 109, 121, 25, GETTING_STARTED_NOTE);
    new GroupBox(units.x(2), units.y(97), units.x(130), units.y(45), NOTE_GROUP_LABEL);
    label(units, 31, 31, 93, 8, SERVER_VERSION_TEXT);
    label(units, 31, 41, 89, 10, CLIENT_VERSION_TEXT);
    // Painted on top, from 65 pixels from the left and 10 from the top.
    new DialogHeader(65, 10, window->w() - 65, 40, GETTING_STARTED_HEADER, -1);
    window->end();
    setProgramIcons(*window, pictures);
    // No buttons: the window's close button and Escape close it.
    window->callback(onClose);
    window->set_modal();
    window->show();
    while (window->shown())
        Fl::wait();
}
