// The Options dialog's controls, data exchange and modal run.
#include "server/ui/fltk/OptionsWindow.h"

#include "server/ui/OptionsDialog.h"
#include "server/ui/fltk/DialogUnits.h"
#include "server/ui/fltk/DialogWidgets.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Secret_Input.H>
#include <FL/Fl_Window.H>
#include <memory>

namespace {

enum class Direction { ToControls, FromControls };

struct OptionsControls {
    Fl_Window* window = nullptr;
    Fl_Check_Button* usePassBox = nullptr; // 1021
    Fl_Input* passwordEdit = nullptr;      // 1003
    Fl_Input* desktopEdit = nullptr;       // 1023
    Fl_Input* pocketPcEdit = nullptr;      // 1024
    bool confirmed = false;
};

void exchangeText(Fl_Input* edit, std::u16string& field, int limit, Direction direction) {
    if (direction == Direction::ToControls) {
        // The limit restrains typing only: a longer stored text is shown whole.
        edit->maximum_size(limit);
        edit->value(utf8FromWide(field).c_str());
    } else {
        field = wideFromUtf8(edit->value());
    }
}

// In the order of the bindings: 1021, 1024, 1003, 1023.
void exchangeData(OptionsControls& controls, OptionsDialog& dialog, Direction direction) {
    if (direction == Direction::ToControls)
        controls.usePassBox->value(dialog.usePass != 0 ? 1 : 0);
    else
        dialog.usePass = controls.usePassBox->value() != 0 ? 1 : 0;
    exchangeText(controls.pocketPcEdit, dialog.pocketPcInitPath, INIT_PATH_LIMIT, direction);
    exchangeText(controls.passwordEdit, dialog.password, PASSWORD_LIMIT, direction);
    exchangeText(controls.desktopEdit, dialog.desktopInitPath, INIT_PATH_LIMIT, direction);
}

void onOkButton(Fl_Widget*, void* context) {
    auto* controls = static_cast<OptionsControls*>(context);
    controls->confirmed = true;
    controls->window->hide();
}

void onCancel(Fl_Widget*, void* context) {
    static_cast<OptionsControls*>(context)->window->hide();
}

// Left-aligned static text; longer texts wrap at word breaks, like the handheld's labels.
Fl_Box* label(const DialogUnits& units, int x, int y, int w, int h, const char* text) {
    auto* box = new Fl_Box(units.x(x), units.y(y), units.x(w), units.y(h), text);
    bool severalLines = h >= 16;
    box->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | (severalLines ? FL_ALIGN_WRAP : 0));
    box->labelsize(OPTIONS_DIALOG_FONT_SIZE);
    return box;
}

Fl_Input* edit(Fl_Input* input) {
    input->textsize(OPTIONS_DIALOG_FONT_SIZE);
    input->box(FL_BORDER_BOX);
    return input;
}

} // namespace

void runOptionsWindow() {
    DialogUnits units = DialogUnits::of(DIALOG_FONT, OPTIONS_DIALOG_FONT_SIZE);
    OptionsControls controls;
    // Template order is also the tab order.
    std::unique_ptr<Fl_Window> window(new Fl_Window(units.x(136), units.y(151), OPTIONS_CAPTION));
    controls.window = window.get();
    window->labelsize(OPTIONS_DIALOG_FONT_SIZE);
    new DialogHeader(8, 0, window->w() - 8, 20, OPTIONS_CAPTION, 21);
    controls.usePassBox =
        new Fl_Check_Button(units.x(14), units.y(26), units.x(94), units.y(9), USE_PASSWORD_LABEL);
    controls.usePassBox->labelsize(OPTIONS_DIALOG_FONT_SIZE);
    controls.passwordEdit = edit(new Fl_Secret_Input(units.x(14), units.y(37), units.x(87), units.y(10)));
    label(units, 10, 127, 117, 18, OPTIONS_NOTE);
    new GroupBox(units.x(6), units.y(14), units.x(127), units.y(39), "Security");
    label(units, 16, 75, 31, 10, "Desktop:");
    controls.desktopEdit = edit(new Fl_Input(units.x(49), units.y(73), units.x(78), units.y(12)));
    label(units, 10, 89, 37, 7, "Pocket PC:");
    controls.pocketPcEdit = edit(new Fl_Input(units.x(49), units.y(88), units.x(78), units.y(12)));
    new GroupBox(units.x(6), units.y(60), units.x(126), units.y(45), "Initialize Directory");
    auto* ok = new Fl_Button(units.x(67), units.y(108), units.x(29), units.y(11), "OK");
    ok->labelsize(OPTIONS_DIALOG_FONT_SIZE);
    ok->callback(onOkButton, &controls);
    auto* cancel = new Fl_Button(units.x(103), units.y(108), units.x(29), units.y(11), "Cancel");
    cancel->labelsize(OPTIONS_DIALOG_FONT_SIZE);
    cancel->callback(onCancel, &controls);
    new GroupBox(units.x(6), units.y(118), units.x(126), units.y(30), "NOTE:");
    window->end();
    // The window's close button and Escape are the cancel command.
    window->callback(onCancel, &controls);

    OptionsDialog dialog;
    dialog.initialise();
    exchangeData(controls, dialog, Direction::ToControls);

    window->set_modal();
    window->show();
    controls.usePassBox->take_focus();
    while (window->shown())
        Fl::wait();

    if (controls.confirmed) {
        exchangeData(controls, dialog, Direction::FromControls);
        dialog.onOk();
    }
}
