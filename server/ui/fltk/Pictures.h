// The status window's pictures, made from the XPM files in server/ui/pictures.
#pragma once

#include <FL/Fl_Pixmap.H>
#include <memory>
#include <string>
#include <vector>

// A picture cut from an XPM image, with white drawn as transparent like an image list does.
class Picture {
  public:
    // Cuts the rectangle (x, y, width, height) out of xpm; null when it lies outside the image.
    static std::unique_ptr<Picture> cut(const char* const* xpm, int x, int y, int width, int height);

    Fl_Pixmap& pixmap() { return *image; }

  private:
    Picture() = default;
    std::vector<std::string> lines;
    std::vector<const char*> data;
    std::unique_ptr<Fl_Pixmap> image;
};

class Fl_Window;

// The pictures the window uses, loaded once on the window thread.
struct StatusPictures {
    StatusPictures();
    // State strip pictures 0 (busy), 1 (idle), 2 (listening), 16x16 each.
    std::unique_ptr<Picture> states[3];
    // The strip's picture 1 taken as 16x15, for the restart button.
    std::unique_ptr<Picture> restartButton;
    std::unique_ptr<Picture> padlock;
    std::unique_ptr<Picture> programIcon32;
    std::unique_ptr<Picture> programIcon16;
};

// Gives the window the program icon in both sizes.
void setProgramIcons(Fl_Window& window, StatusPictures& pictures);
