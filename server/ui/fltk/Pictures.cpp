// Cutting pictures out of XPM images.
#include "server/ui/fltk/Pictures.h"

#include "server/ui/pictures/padlock.xpm"
#include "server/ui/pictures/program-icon-16.xpm"
#include "server/ui/pictures/program-icon-32.xpm"
#include "server/ui/pictures/state-strip.xpm"

#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Window.H>
#include <cstdio>
#include <cstring>

std::unique_ptr<Picture> Picture::cut(const char* const* xpm, int x, int y, int width, int height) {
    int imageWidth = 0, imageHeight = 0, colours = 0, charsPerPixel = 0;
    if (std::sscanf(xpm[0], "%d %d %d %d", &imageWidth, &imageHeight, &colours, &charsPerPixel) != 4 ||
        x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > imageWidth || y + height > imageHeight)
        return nullptr;
    std::unique_ptr<Picture> picture(new Picture);
    char header[64];
    std::snprintf(header, sizeof header, "%d %d %d %d", width, height, colours, charsPerPixel);
    picture->lines.emplace_back(header);
    for (int i = 1; i <= colours; ++i) {
        std::string line = xpm[i];
        // White is the transparent colour of the window's pictures.
        size_t white = line.find(" c #FFFFFF");
        if (white != std::string::npos)
            line = line.substr(0, white) + " c None";
        picture->lines.push_back(line);
    }
    for (int row = y; row < y + height; ++row)
        picture->lines.push_back(std::string(xpm[1 + colours + row] + x * charsPerPixel,
                                             static_cast<size_t>(width * charsPerPixel)));
    for (const std::string& line : picture->lines)
        picture->data.push_back(line.c_str());
    picture->image = std::make_unique<Fl_Pixmap>(picture->data.data());
    return picture;
}

StatusPictures::StatusPictures() {
    for (int i = 0; i < 3; ++i)
        states[i] = Picture::cut(state_strip_xpm, i * 16, 0, 16, 16);
    restartButton = Picture::cut(state_strip_xpm, 16, 0, 16, 15);
    padlock = Picture::cut(padlock_xpm, 0, 0, 16, 16);
    programIcon32 = Picture::cut(program_icon_32_xpm, 0, 0, 32, 32);
    programIcon16 = Picture::cut(program_icon_16_xpm, 0, 0, 16, 16);
}

void setProgramIcons(Fl_Window& window, StatusPictures& pictures) {
    if (!pictures.programIcon32 || !pictures.programIcon16)
        return;
    // The window manager wants full-colour images; transparent pixels become white.
    Fl_RGB_Image big(&pictures.programIcon32->pixmap(), FL_WHITE);
    Fl_RGB_Image small(&pictures.programIcon16->pixmap(), FL_WHITE);
    const Fl_RGB_Image* icons[] = {&big, &small};
    window.icons(icons, 2);
}
