// The scripted screen changes of the benchmark, drawn step by step on a test X server.
#include "bench/screen/ScriptedChanges.h"

#include <X11/Xlib.h>
#include <string>

namespace {

constexpr int BOX_SIZE = 32;
constexpr int TEXT_MARGIN = 8;
constexpr int LINE_HEIGHT = 14;

std::string textLine(int index) {
    std::string line = "line " + std::to_string(index) + ": ";
    while (line.size() < 240)
        line += "The quick brown fox jumps over the lazy dog. ";
    return line;
}

int textAreaHeight(const XClient& client) {
    return (client.height * 3 / 4) / LINE_HEIGHT * LINE_HEIGHT;
}

} // namespace

void MovingBox::prepare(XClient& client) {
    client.fill(0, 0, client.width, client.height, client.pixelOf(0, 64, 128));
    x = client.width / 4;
    y = client.height / 4;
}

void MovingBox::step(XClient& client, int index) {
    // Erase and redraw in one request each, as a pointer sprite moves.
    client.fill(x, y, BOX_SIZE, BOX_SIZE, client.pixelOf(0, 64, 128));
    x = (x + 9) % (client.width - BOX_SIZE);
    y = (y + 5) % (client.height - BOX_SIZE);
    client.fill(x, y, BOX_SIZE, BOX_SIZE, client.pixelOf(255, 255, static_cast<uint8_t>(index * 16)));
}

void ScrollingText::prepare(XClient& client) {
    gc = XCreateGC(client.display, client.root, 0, nullptr);
    client.fill(0, 0, client.width, client.height, client.pixelOf(40, 40, 40));
    client.fill(TEXT_MARGIN, TEXT_MARGIN, client.width - 2 * TEXT_MARGIN, textAreaHeight(client),
                client.pixelOf(255, 255, 255));
    for (int line = 0; line < textAreaHeight(client) / LINE_HEIGHT; ++line)
        step(client, line);
}

void ScrollingText::step(XClient& client, int index) {
    const int areaWidth = client.width - 2 * TEXT_MARGIN;
    const int areaHeight = textAreaHeight(client);
    XSetForeground(client.display, gc, client.pixelOf(255, 255, 255));
    XCopyArea(client.display, client.root, client.root, gc, TEXT_MARGIN, TEXT_MARGIN + LINE_HEIGHT,
              static_cast<unsigned>(areaWidth), static_cast<unsigned>(areaHeight - LINE_HEIGHT), TEXT_MARGIN,
              TEXT_MARGIN);
    const int lastLineTop = TEXT_MARGIN + areaHeight - LINE_HEIGHT;
    XFillRectangle(client.display, client.root, gc, TEXT_MARGIN, lastLineTop,
                   static_cast<unsigned>(areaWidth), LINE_HEIGHT);
    const std::string text = textLine(index);
    const int characters = areaWidth / 6; // the server's built-in "fixed" font is 6 pixels wide
    XSetForeground(client.display, gc, client.pixelOf(0, 0, 0));
    XDrawString(client.display, client.root, gc, TEXT_MARGIN + 2, lastLineTop + LINE_HEIGHT - 3, text.c_str(),
                std::min(characters, static_cast<int>(text.size())));
    XSync(client.display, False);
}

void FullRepaint::prepare(XClient& client) {
    client.fill(0, 0, client.width, client.height, client.pixelOf(0, 0, 0));
}

void FullRepaint::step(XClient& client, int index) {
    // Horizontal stripes of changing colours, like a page or a dialog replacing the whole screen.
    constexpr int STRIPE = 24;
    for (int top = 0; top < client.height; top += STRIPE) {
        const auto shade = static_cast<uint8_t>((top * 3 + index * 40) & 0xFF);
        client.fill(0, top, client.width, STRIPE,
                    client.pixelOf(shade, static_cast<uint8_t>(255 - shade), 128));
    }
}
