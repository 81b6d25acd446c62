// Screen capture from the Linux framebuffer /dev/fb0 through a read-only mapping.
#include "platform/linux/ScreenBackends.h"
#include "platform/linux/ScreenPixelConversion.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* FRAMEBUFFER_DEVICE = "/dev/fb0";

uint32_t maskOf(const fb_bitfield& field) {
    if (field.length == 0 || field.length >= 32)
        return 0;
    return ((1u << field.length) - 1u) << field.offset;
}

int controlDevice(int device, unsigned long request, void* argument) {
    int result;
    do {
        result = ioctl(device, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

class FramebufferScreen final : public ScreenContext {
  public:
    FramebufferScreen(int openDevice, const fb_var_screeninfo& variableInfo,
                      const fb_fix_screeninfo& fixedInfo, const uint8_t* mapping)
        : device(openDevice), variable(variableInfo), fixed(fixedInfo), memory(mapping) {}

    ~FramebufferScreen() override {
        munmap(const_cast<uint8_t*>(memory), fixed.smem_len);
        close(device);
    }

    int32_t width() const override { return static_cast<int32_t>(variable.xres); }
    int32_t height() const override { return static_cast<int32_t>(variable.yres); }
    uint16_t bitsPerPixel() const override { return static_cast<uint16_t>(variable.bits_per_pixel); }

    bool prepareCopies(const SectionLayout& layout) override {
        const PixelFormat deviceFormat{.bitsPerPixel = static_cast<uint16_t>(variable.bits_per_pixel),
                                       .redMask = maskOf(variable.red),
                                       .greenMask = maskOf(variable.green),
                                       .blueMask = maskOf(variable.blue)};
        const PixelFormat sectionFormat{.bitsPerPixel = layout.bitsPerPixel,
                                        .redMask = layout.redMask,
                                        .greenMask = layout.greenMask,
                                        .blueMask = layout.blueMask};
        return converter.prepare(deviceFormat, sectionFormat);
    }

    bool copyScreen(const SectionLayout& layout, uint8_t* pixels, int32_t copyWidth,
                    int32_t copyHeight) override {
        // A panning or double-buffered display moves its visible area; follow it on every copy.
        fb_var_screeninfo current{};
        if (controlDevice(device, FBIOGET_VSCREENINFO, &current) == 0) {
            variable.xoffset = current.xoffset;
            variable.yoffset = current.yoffset;
        }
        const size_t bytesPerPixel = variable.bits_per_pixel / 8u;
        // The visible area must lie inside the mapping, whatever offsets the driver reports.
        const size_t lastByte =
            (static_cast<size_t>(variable.yoffset) + static_cast<size_t>(copyHeight)) * fixed.line_length;
        const size_t lineEnd =
            (static_cast<size_t>(variable.xoffset) + static_cast<size_t>(copyWidth)) * bytesPerPixel;
        if (lastByte > fixed.smem_len || lineEnd > fixed.line_length)
            return false;
        for (int32_t y = 0; y < copyHeight; ++y) {
            const uint8_t* line =
                memory +
                (static_cast<size_t>(variable.yoffset) + static_cast<size_t>(y)) * fixed.line_length +
                variable.xoffset * bytesPerPixel;
            const int32_t row = layout.bottomUp ? layout.height - 1 - y : y;
            converter.convertRow(line, pixels + static_cast<size_t>(row) * static_cast<size_t>(layout.stride),
                                 copyWidth);
        }
        return true;
    }

  private:
    int device;
    fb_var_screeninfo variable;
    fb_fix_screeninfo fixed;
    const uint8_t* memory;
    PixelConverter converter;
};

} // namespace

std::unique_ptr<ScreenContext> openFramebufferScreen() {
    const int device = open(FRAMEBUFFER_DEVICE, O_RDONLY | O_CLOEXEC);
    if (device < 0)
        return nullptr;
    fb_var_screeninfo variable{};
    fb_fix_screeninfo fixed{};
    const bool described = controlDevice(device, FBIOGET_VSCREENINFO, &variable) == 0 &&
                           controlDevice(device, FBIOGET_FSCREENINFO, &fixed) == 0;
    const bool packedTrueColour =
        described && fixed.type == FB_TYPE_PACKED_PIXELS &&
        (fixed.visual == FB_VISUAL_TRUECOLOR || fixed.visual == FB_VISUAL_DIRECTCOLOR);
    // A palette framebuffer is still opened, so that its depth is reported and the capture refused.
    const bool palette = described && fixed.visual == FB_VISUAL_PSEUDOCOLOR;
    const bool fits =
        described && static_cast<size_t>(variable.xres) * (variable.bits_per_pixel / 8u) <= fixed.line_length;
    if (!(packedTrueColour || palette) || !fits || variable.xres == 0 || variable.yres == 0) {
        close(device);
        return nullptr;
    }
    void* memory = mmap(nullptr, fixed.smem_len, PROT_READ, MAP_SHARED, device, 0);
    if (memory == MAP_FAILED) {
        close(device);
        return nullptr;
    }
    return std::make_unique<FramebufferScreen>(device, variable, fixed, static_cast<const uint8_t*>(memory));
}

} // namespace platform
