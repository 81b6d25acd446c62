// Screen capture from an X display: MIT-SHM when the server offers it, plain XGetImage otherwise.
#include "platform/linux/ScreenBackends.h"
#include "platform/linux/ScreenPixelConversion.h"
#include "platform/linux/ScreenX11Connection.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace platform {

namespace {

class X11Screen final : public ScreenContext {
  public:
    X11Screen(Display* connection, int bitsPerPixel)
        : display(connection), bitsPerPixelOfDisplay(bitsPerPixel) {
        const int screenNumber = DefaultScreen(display);
        root = RootWindow(display, screenNumber);
        visual = DefaultVisual(display, screenNumber);
        depth = DefaultDepth(display, screenNumber);
        screenWidth = DisplayWidth(display, screenNumber);
        screenHeight = DisplayHeight(display, screenNumber);
    }

    ~X11Screen() override {
        releaseSharedImage();
        closeDisplayConnection(display);
    }

    int32_t width() const override { return screenWidth; }
    int32_t height() const override { return screenHeight; }
    uint16_t bitsPerPixel() const override { return static_cast<uint16_t>(bitsPerPixelOfDisplay); }

    bool prepareCopies(const SectionLayout& layout) override {
        const PixelFormat displayFormat{.bitsPerPixel = static_cast<uint16_t>(bitsPerPixelOfDisplay),
                                        .redMask = static_cast<uint32_t>(visual->red_mask),
                                        .greenMask = static_cast<uint32_t>(visual->green_mask),
                                        .blueMask = static_cast<uint32_t>(visual->blue_mask),
                                        .mostSignificantByteFirst = ImageByteOrder(display) == MSBFirst};
        const PixelFormat sectionFormat{.bitsPerPixel = layout.bitsPerPixel,
                                        .redMask = layout.redMask,
                                        .greenMask = layout.greenMask,
                                        .blueMask = layout.blueMask};
        if (!trueColour() || !converter.prepare(displayFormat, sectionFormat))
            return false;
        if (!sharedImage)
            createSharedImage(); // without it every copy goes through plain XGetImage
        return true;
    }

    bool copyScreen(const SectionLayout& layout, uint8_t* pixels, int32_t copyWidth,
                    int32_t copyHeight) override {
        if (sharedImage)
            return copyThroughSharedMemory(layout, pixels, copyWidth, copyHeight);
        // Xlib allocates the image of a plain XGetImage itself; only the shared path is free of that.
        XImage* image = XGetImage(display, root, 0, 0, static_cast<unsigned>(copyWidth),
                                  static_cast<unsigned>(copyHeight), AllPlanes, ZPixmap);
        if (!image)
            return false;
        convertRows(image, layout, pixels, copyWidth, copyHeight);
        XDestroyImage(image);
        return true;
    }

  private:
    bool trueColour() const { return visual->c_class == TrueColor || visual->c_class == DirectColor; }

    bool copyThroughSharedMemory(const SectionLayout& layout, uint8_t* pixels, int32_t copyWidth,
                                 int32_t copyHeight) {
        // The request takes its size from the image; a smaller copy narrows it for the call.
        sharedImage->width = copyWidth;
        sharedImage->height = copyHeight;
        const Status got = XShmGetImage(display, root, sharedImage, 0, 0, AllPlanes);
        sharedImage->width = screenWidth;
        sharedImage->height = screenHeight;
        if (!got)
            return false;
        convertRows(sharedImage, layout, pixels, copyWidth, copyHeight);
        return true;
    }

    // X images are top-down; a bottom-up section takes screen line y in row (height - 1 - y).
    void convertRows(const XImage* image, const SectionLayout& layout, uint8_t* pixels, int32_t copyWidth,
                     int32_t copyHeight) const {
        for (int32_t y = 0; y < copyHeight; ++y) {
            const int32_t row = layout.bottomUp ? layout.height - 1 - y : y;
            converter.convertRow(reinterpret_cast<const uint8_t*>(image->data) +
                                     static_cast<size_t>(y) * static_cast<size_t>(image->bytes_per_line),
                                 pixels + static_cast<size_t>(row) * static_cast<size_t>(layout.stride),
                                 copyWidth);
        }
    }

    void createSharedImage() {
        bool shared;
        {
            std::lock_guard lock(extensionQueryLock());
            shared = XShmQueryExtension(display);
        }
        if (!shared)
            return;
        XImage* image =
            XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &segment,
                            static_cast<unsigned>(screenWidth), static_cast<unsigned>(screenHeight));
        if (!image)
            return;
        segment.shmid =
            shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * image->height, IPC_CREAT | 0600);
        if (segment.shmid < 0) {
            XDestroyImage(image);
            return;
        }
        segment.shmaddr = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
        segment.readOnly = False;
        const bool mapped = segment.shmaddr != reinterpret_cast<char*>(-1);
        // A server on another machine, or one that cannot reach the segment, refuses the attach.
        const bool attached =
            mapped && requestSucceeds(display, [&] { return XShmAttach(display, &segment) != 0; });
        // Marked for removal at once: the segment goes away with its last user, even after a crash.
        shmctl(segment.shmid, IPC_RMID, nullptr);
        if (!attached) {
            if (mapped)
                shmdt(segment.shmaddr);
            XDestroyImage(image);
            return;
        }
        image->data = segment.shmaddr;
        sharedImage = image;
    }

    void releaseSharedImage() {
        if (!sharedImage)
            return;
        XShmDetach(display, &segment);
        XSync(display, False);
        XDestroyImage(sharedImage); // frees the structure only; the segment is detached below
        shmdt(segment.shmaddr);
        sharedImage = nullptr;
    }

    Display* display;
    int bitsPerPixelOfDisplay;
    Window root = 0;
    Visual* visual = nullptr;
    int depth = 0;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    PixelConverter converter;
    XImage* sharedImage = nullptr;
    XShmSegmentInfo segment{};
};

// Bits per pixel of the pixmap format that the display's default depth uses.
int pixmapBitsPerPixel(Display* display) {
    const int depth = DefaultDepth(display, DefaultScreen(display));
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    int bitsPerPixel = 0;
    for (int i = 0; i < count; ++i)
        if (formats[i].depth == depth)
            bitsPerPixel = formats[i].bits_per_pixel;
    if (formats)
        XFree(formats);
    return bitsPerPixel;
}

} // namespace

std::unique_ptr<ScreenContext> openX11Screen() {
    Display* display = openDisplayConnection();
    if (!display)
        return nullptr;
    const int bitsPerPixel = pixmapBitsPerPixel(display);
    if (bitsPerPixel <= 0) {
        closeDisplayConnection(display);
        return nullptr;
    }
    return std::make_unique<X11Screen>(display, bitsPerPixel);
}

} // namespace platform
