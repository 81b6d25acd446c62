// The status window's FLTK widgets: painted header, the two lists, menu bar and restart button.
#include "server/ui/fltk/FltkStatusView.h"

#include "server/ui/MainStatusDialog.h"
#include "server/ui/StatusMessages.h"
#include "server/ui/fltk/GettingStartedWindow.h"
#include "server/ui/fltk/ListView.h"
#include "server/ui/fltk/OptionsWindow.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Image.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

namespace {

// The status dialog's size in dialog units.
const int DIALOG_WIDTH_UNITS = 175;
const int DIALOG_HEIGHT_UNITS = 166;
const int MENU_BAR_HEIGHT = 26;
const Fl_Color DARK_BLUE = fl_rgb_color(0, 0, 128);

} // namespace

// The client area: title, padlock, separator and captions are painted here.
class StatusCanvas : public Fl_Widget {
  public:
    StatusCanvas(int w, int h, MainStatusDialog& owner, StatusPictures& images)
        : Fl_Widget(0, 0, w, h), dialog(owner), pictures(images) {}

    void draw() override {
        fl_color(FL_BACKGROUND_COLOR);
        fl_rectf(x(), y(), w(), h());
        if (!dialog.headerVisible())
            return;
        int right = w();
        fl_font(HEADER_FONT, HEADER_FONT_SIZE);
        fl_color(DARK_BLUE);
        fl_draw(STATUS_TITLE, 8, 0, right - 8, 20, FL_ALIGN_LEFT | FL_ALIGN_TOP);
        if (dialog.padlockVisible() && pictures.padlock)
            pictures.padlock->pixmap().draw(right - 16, 2);
        fl_color(FL_BLACK);
        fl_line(0, 20, right, 20);
        fl_font(DIALOG_FONT, STATUS_DIALOG_FONT_SIZE);
        fl_color(DARK_BLUE);
        fl_draw(THREAD_CAPTION, 10, 129, right - 10, 14, FL_ALIGN_LEFT);
        fl_draw(ADDRESS_CAPTION, 10, 25, right - 10, 14, FL_ALIGN_LEFT);
        // The uptime and the counters are drawn after every paint, by the message this posts.
        dialog.afterPaint();
    }

  private:
    MainStatusDialog& dialog;
    StatusPictures& pictures;
};

namespace {

class StatusFrame : public Fl_Window {
  public:
    StatusFrame(int w, int h, const char* title) : Fl_Window(w, h, title) {}
};

void onMenuCommand(Fl_Widget*, void* context) {
    auto* entry = static_cast<std::pair<MainStatusDialog*, uintptr_t>*>(context);
    entry->first->onCommand(entry->second);
}

// The handheld's caption button puts the program aside; it never ends it (only Exit does).
void onCloseButton(Fl_Widget* widget, void*) {
    static_cast<Fl_Window*>(widget)->iconize();
}

std::pair<MainStatusDialog*, uintptr_t> optionsEntry, exitEntry, gettingStartedEntry, restartEntry;

} // namespace

FltkStatusView::FltkStatusView(MainStatusDialog& owner, StatusPictures& images)
    : dialog(owner), pictures(images), units(DialogUnits::of(DIALOG_FONT, STATUS_DIALOG_FONT_SIZE)) {
    clientWidth = units.x(DIALOG_WIDTH_UNITS);
    clientHeight = units.y(DIALOG_HEIGHT_UNITS);
    window = new StatusFrame(clientWidth, clientHeight + MENU_BAR_HEIGHT, STATUS_WINDOW_CAPTION);
    window->callback(onCloseButton);
    canvas = new StatusCanvas(clientWidth, clientHeight, dialog, pictures);
    // Placed by layoutLists; hidden until then.
    addressList = new ListView(0, 0, 10, 10, false);
    addressList->hide();
    threadList = new ListView(0, 0, 10, 10, true);
    threadList->hide();
    threadList->onClick = [this] { dialog.onThreadListClick(); };
    addressList->addColumn(0, "", ListView::Alignment::Right, 60);
    addressList->addColumn(1, "", ListView::Alignment::Centre, 150);
    threadList->addColumn(0, "#", ListView::Alignment::Right, 30);
    threadList->addColumn(1, "Time(S)", ListView::Alignment::Left, 50);
    threadList->addColumn(2, "From", ListView::Alignment::Left, 90);
    threadList->addColumn(3, "Action", ListView::Alignment::Left, 140);
    std::vector<Fl_Image*> states;
    for (auto& picture : pictures.states)
        states.push_back(picture ? &picture->pixmap() : nullptr);
    threadList->setPictures(states);
    window->end();
    setProgramIcons(*window, pictures);
}

FltkStatusView::~FltkStatusView() {
    if (timer != 0)
        Fl::remove_timeout(onTimer, this);
    delete window;
}

namespace {
std::vector<std::string> rowTexts(const ThreadRow& row) {
    return {row.number, row.time, row.from, row.action};
}
} // namespace

void FltkStatusView::insertThreadRow(int position, const ThreadRow& row) {
    threadList->insertRow(position, rowTexts(row), static_cast<int>(row.picture));
}

void FltkStatusView::updateThreadRow(int position, const ThreadRow& row) {
    threadList->setRow(position, rowTexts(row), static_cast<int>(row.picture));
}

void FltkStatusView::removeThreadRow(int position) {
    threadList->removeRow(position);
}

std::vector<int> FltkStatusView::selectedThreadRows() {
    return threadList->selectedRows();
}

void FltkStatusView::clearAddressRows() {
    addressList->removeAllRows();
}

void FltkStatusView::addAddressRow(const std::string& label, const std::string& value) {
    addressList->insertRow(addressList->rowCount(), {label, value}, -1);
}

void FltkStatusView::drawLineNow(const std::string& text, int left, int top, int right, int bottom) {
    if (!window->shown())
        return;
    window->make_current();
    fl_push_no_clip();
    fl_font(DIALOG_FONT, STATUS_DIALOG_FONT_SIZE);
    // Opaque: the previous text goes with the background.
    fl_color(FL_BACKGROUND_COLOR);
    fl_rectf(left, top, right - left, bottom - top);
    fl_color(FL_BLACK);
    fl_draw(text.c_str(), left, top, right - left, bottom - top, FL_ALIGN_LEFT | FL_ALIGN_CLIP);
    fl_pop_clip();
}

void FltkStatusView::drawUptime(const std::string& text) {
    drawLineNow(text, 10, 96, 240, 110);
}

void FltkStatusView::drawFileCounter(int which, const std::string& text) {
    if (which != 0)
        drawLineNow(text, 10, 112, 115, 126);
    else
        drawLineNow(text, 115, 112, 240, 126);
}

bool FltkStatusView::createMenuBar() {
    if (menuBar != nullptr)
        return true;
    window->begin();
    auto* bar = new Fl_Box(FL_UP_BOX, 0, clientHeight, clientWidth, MENU_BAR_HEIGHT, nullptr);
    (void)bar;
    menuBar = new Fl_Menu_Bar(2, clientHeight + 2, 96, MENU_BAR_HEIGHT - 4);
    menuBar->box(FL_FLAT_BOX);
    menuBar->textsize(STATUS_DIALOG_FONT_SIZE + 1);
    optionsEntry = {&dialog, ID_OPTIONS};
    exitEntry = {&dialog, ID_EXIT};
    gettingStartedEntry = {&dialog, ID_GETTING_STARTED};
    menuBar->add("Server/Options", 0, onMenuCommand, &optionsEntry, FL_MENU_DIVIDER);
    menuBar->add("Server/Exit", 0, onMenuCommand, &exitEntry);
    menuBar->add("Help/How to get started", 0, onMenuCommand, &gettingStartedEntry);
    restartButton = new Fl_Button(100, clientHeight + 2, 24, MENU_BAR_HEIGHT - 4);
    restartButton->box(FL_THIN_UP_BOX);
    restartButton->down_box(FL_THIN_DOWN_BOX);
    if (pictures.restartButton) {
        restartButton->image(pictures.restartButton->pixmap());
        // FLTK draws a disabled button's picture as it is unless it has a greyed one.
        restartButtonGreyed.reset(pictures.restartButton->pixmap().copy());
        restartButtonGreyed->inactive();
        restartButton->deimage(restartButtonGreyed.get());
    }
    restartButton->tooltip("Restart the selected thread");
    restartEntry = {&dialog, ID_RESTART_WORKER};
    restartButton->callback(onMenuCommand, &restartEntry);
    restartButton->deactivate();
    window->end();
    return true;
}

void FltkStatusView::setRestartEnabled(bool enable) {
    if (restartButton == nullptr)
        return;
    if (enable)
        restartButton->activate();
    else
        restartButton->deactivate();
}

void FltkStatusView::onTimer(void* context) {
    auto* view = static_cast<FltkStatusView*>(context);
    // The tick goes through the queue, after whatever is already waiting there.
    view->dialog.messageQueue().post({WM_TIMER, view->timer, 0});
    Fl::repeat_timeout(view->timerPeriod / 1000.0, onTimer, context);
}

void FltkStatusView::setTimer(uintptr_t identifier, uint32_t periodMilliseconds) {
    if (timer != 0)
        Fl::remove_timeout(onTimer, this);
    timer = identifier;
    timerPeriod = periodMilliseconds;
    Fl::add_timeout(periodMilliseconds / 1000.0, onTimer, this);
}

void FltkStatusView::killTimer(uintptr_t identifier) {
    if (identifier != timer || timer == 0)
        return;
    Fl::remove_timeout(onTimer, this);
    timer = 0;
}

void FltkStatusView::layoutLists() {
    addressList->resize(10, 41, clientWidth - 20, 50);
    threadList->resize(10, 145, clientWidth - 20, 115);
    addressList->show();
    threadList->show();
    if (!window->shown())
        window->show();
    repaint();
}

void FltkStatusView::repaint() {
    window->redraw();
    Fl::flush();
}

void FltkStatusView::destroyWindow() {
    killTimer(timer);
    window->hide();
}

void FltkStatusView::showMessageBox(const std::string& text, const std::string& caption,
                                    MessageBoxIcon icon) {
    showFltkMessageBox(text, caption, icon);
}

void FltkStatusView::runOptionsDialog() {
    runOptionsWindow();
}

void FltkStatusView::runGettingStartedDialog() {
    runGettingStartedWindow(pictures);
}

void showFltkMessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) {
    fl_message_title(caption.c_str());
    Fl_Widget* symbol = fl_message_icon();
    if (icon == MessageBoxIcon::Error) {
        symbol->label("X");
        symbol->labelcolor(FL_WHITE);
        symbol->color(FL_RED);
    } else {
        symbol->label("i");
        symbol->labelcolor(FL_BLUE);
        symbol->color(FL_WHITE);
    }
    fl_close = "OK";
    fl_message("%s", text.c_str());
}
