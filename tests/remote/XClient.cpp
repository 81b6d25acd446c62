// A test's own X client: draws on the root window of a test X server and reads the pointer back.
#include "tests/remote/XClient.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <bit>

namespace {

unsigned long scaleInto(uint8_t value, unsigned long mask) {
    const int bits = std::popcount(mask);
    const int shift = std::countr_zero(mask);
    // Wider channels (a 30-bit display has 10 bits each) repeat the high bits, so that full stays full.
    const unsigned long scaled = bits <= 8 ? static_cast<unsigned long>(value) >> (8 - bits)
                                           : (static_cast<unsigned long>(value) << (bits - 8)) |
                                                 (static_cast<unsigned long>(value) >> (16 - bits));
    return scaled << shift;
}

} // namespace

XClient::~XClient() {
    if (gc)
        XFreeGC(display, gc);
    if (display)
        XCloseDisplay(display);
}

bool XClient::open(const std::string& displayName) {
    display = XOpenDisplay(displayName.c_str());
    if (!display)
        return false;
    const int screen = DefaultScreen(display);
    root = RootWindow(display, screen);
    width = DisplayWidth(display, screen);
    height = DisplayHeight(display, screen);
    depth = DefaultDepth(display, screen);
    gc = XCreateGC(display, root, 0, nullptr);
    XSetSubwindowMode(display, gc, IncludeInferiors);
    return true;
}

unsigned long XClient::pixelOf(uint8_t red, uint8_t green, uint8_t blue) const {
    const Visual* visual = DefaultVisual(display, DefaultScreen(display));
    return scaleInto(red, visual->red_mask) | scaleInto(green, visual->green_mask) |
           scaleInto(blue, visual->blue_mask);
}

void XClient::fill(int x, int y, int fillWidth, int fillHeight, unsigned long pixel) {
    XSetForeground(display, gc, pixel);
    XFillRectangle(display, root, gc, x, y, static_cast<unsigned>(fillWidth),
                   static_cast<unsigned>(fillHeight));
    XSync(display, False);
}

void XClient::fillLines(const std::vector<int>& lines, unsigned long pixel) {
    std::vector<XRectangle> rectangles;
    for (int line : lines)
        rectangles.push_back({0, static_cast<short>(line), static_cast<unsigned short>(width), 1});
    XSetForeground(display, gc, pixel);
    XFillRectangles(display, root, gc, rectangles.data(), static_cast<int>(rectangles.size()));
    XSync(display, False);
}

void XClient::putLine(int y, const std::vector<unsigned long>& pixels) {
    Visual* visual = DefaultVisual(display, DefaultScreen(display));
    XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(pixels.size()), 1, 32, 0);
    image->data = static_cast<char*>(calloc(1, static_cast<size_t>(image->bytes_per_line)));
    for (size_t x = 0; x < pixels.size(); ++x)
        XPutPixel(image, static_cast<int>(x), 0, pixels[x]);
    XPutImage(display, root, gc, image, 0, 0, 0, y, static_cast<unsigned>(pixels.size()), 1);
    XDestroyImage(image);
    XSync(display, False);
}

XClient::Pointer XClient::pointer() const {
    Window rootReturn;
    Window child;
    int rootX = 0;
    int rootY = 0;
    int windowX;
    int windowY;
    unsigned mask = 0;
    XQueryPointer(display, root, &rootReturn, &child, &rootX, &rootY, &windowX, &windowY, &mask);
    return {rootX, rootY, mask};
}
