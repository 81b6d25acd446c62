// Small widgets the dialogs share: a group box frame with its label, and the painted header.
#pragma once

#include <FL/Fl_Widget.H>
#include <string>

// A frame with its label set into the top edge; draws no background inside.
class GroupBox : public Fl_Widget {
  public:
    GroupBox(int x, int y, int w, int h, const char* label);
    void draw() override;
};

// Dark blue header text in the header font; optionally a line under it at lineY (-1: none).
class DialogHeader : public Fl_Widget {
  public:
    // text may hold "\r\n" line breaks; it is drawn from the top-left of the rectangle.
    DialogHeader(int x, int y, int w, int h, const std::string& text, int lineY);
    void draw() override;

  private:
    std::string lines;
    int separatorY;
};
