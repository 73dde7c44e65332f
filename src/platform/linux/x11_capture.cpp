#include "platform/linux/x11_capture.h"

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "platform/linux/x11_errors.h"

namespace nuvra::linux_platform {

namespace {

struct DisplayCloser {
    void operator()(::Display* display) const { XCloseDisplay(display); }
};

struct ImageDestroyer {
    void operator()(XImage* image) const { XDestroyImage(image); }
};

using ImageOwner = std::unique_ptr<XImage, ImageDestroyer>;

// A shared segment attached to the server and to us for one image.
class SharedImage {
public:
    SharedImage(::Display* display, Visual* visual, int depth, int width, int height, XErrorTrap& trap)
        : m_display(display)
    {
        m_image.reset(XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &m_info,
                                      static_cast<unsigned>(width), static_cast<unsigned>(height)));
        if (!m_image)
            return;
        const auto bytes = static_cast<std::size_t>(m_image->bytes_per_line) * static_cast<std::size_t>(height);
        m_info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (m_info.shmid < 0)
            return;
        void* address = shmat(m_info.shmid, nullptr, 0);
        if (address == reinterpret_cast<void*>(-1)) {
            shmctl(m_info.shmid, IPC_RMID, nullptr);
            return;
        }
        m_info.shmaddr = m_image->data = static_cast<char*>(address);
        m_info.readOnly = False;
        m_attached = XShmAttach(display, &m_info) && !trap.Failed();
        // Marked for removal now: the segment goes away with its last
        // detach, even if this process dies in between.
        shmctl(m_info.shmid, IPC_RMID, nullptr);
    }
    ~SharedImage()
    {
        if (m_attached) {
            XShmDetach(m_display, &m_info);
            XSync(m_display, False);
        }
        if (m_image)
            m_image->data = nullptr;  // the segment is not the image's to free
        m_image.reset();
        if (m_info.shmaddr != nullptr)
            shmdt(m_info.shmaddr);
    }
    SharedImage(const SharedImage&) = delete;
    SharedImage& operator=(const SharedImage&) = delete;

    XImage* Read(Window root, XErrorTrap& trap)
    {
        if (!m_attached)
            return nullptr;
        if (!XShmGetImage(m_display, root, m_image.get(), 0, 0, AllPlanes) || trap.Failed())
            return nullptr;
        return m_image.get();
    }

private:
    ::Display* m_display;
    XShmSegmentInfo m_info{};
    ImageOwner m_image;
    bool m_attached = false;
};

// A channel mask's value scaled to 8 bits.
std::uint8_t Channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const unsigned long maximum = mask >> shift;
    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / maximum);
}

platform::Picture ToPicture(XImage* image)
{
    platform::Picture picture;
    picture.width = image->width;
    picture.height = image->height;
    picture.bits_per_pixel = 32;
    picture.stride = image->width * 4;
    picture.pixels.assign(static_cast<std::size_t>(picture.stride) * static_cast<std::size_t>(picture.height), 0);

    // The usual true-colour layout is copied row by row; anything else goes
    // through the masks pixel by pixel.
    const bool plain = image->bits_per_pixel == 32 && image->byte_order == LSBFirst && image->red_mask == 0xFF0000 &&
                       image->green_mask == 0x00FF00 && image->blue_mask == 0x0000FF;
    for (int y = 0; y < image->height; ++y) {
        std::uint8_t* row = picture.pixels.data() +
                            static_cast<std::size_t>(picture.height - 1 - y) * static_cast<std::size_t>(picture.stride);
        if (plain) {
            const auto* source = reinterpret_cast<const std::uint8_t*>(image->data) +
                                 static_cast<std::size_t>(y) * static_cast<std::size_t>(image->bytes_per_line);
            std::memcpy(row, source, static_cast<std::size_t>(picture.stride));
            for (int x = 0; x < image->width; ++x)
                row[4 * x + 3] = 0;
            continue;
        }
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            row[4 * x] = Channel(pixel, image->blue_mask);
            row[4 * x + 1] = Channel(pixel, image->green_mask);
            row[4 * x + 2] = Channel(pixel, image->red_mask);
        }
    }
    return picture;
}

}  // namespace

std::optional<platform::Picture> LinuxDesktopCapture::CaptureScreen()
{
    std::unique_ptr<::Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display)
        return std::nullopt;
    XErrorTrap trap(display.get());
    const int screen = DefaultScreen(display.get());
    const Window root = RootWindow(display.get(), screen);
    const int width = DisplayWidth(display.get(), screen);
    const int height = DisplayHeight(display.get(), screen);
    if (width <= 0 || height <= 0 || width > platform::kMaxPictureSide || height > platform::kMaxPictureSide ||
        static_cast<std::int64_t>(width) * height > platform::kMaxPicturePixels)
        return std::nullopt;

    if (m_method == Method::SharedMemoryFirst && XShmQueryExtension(display.get())) {
        SharedImage shared(display.get(), DefaultVisual(display.get(), screen), DefaultDepth(display.get(), screen),
                           width, height, trap);
        if (XImage* image = shared.Read(root, trap))
            return ToPicture(image);
    }

    ImageOwner image(XGetImage(display.get(), root, 0, 0, static_cast<unsigned>(width),
                               static_cast<unsigned>(height), AllPlanes, ZPixmap));
    if (!image || trap.Failed())
        return std::nullopt;
    return ToPicture(image.get());
}

std::optional<platform::Picture> LinuxDesktopCapture::CaptureSavedDesktop(std::optional<std::int64_t> window)
{
    std::unique_ptr<::Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display)
        return std::nullopt;
    XErrorTrap trap(display.get());
    const Window target = window ? static_cast<Window>(*window) : DefaultRootWindow(display.get());
    const Atom property = XInternAtom(display.get(), "_SCREENSAVER_SCREENSHOT", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display.get(), target, property, 0, 1, False, XA_PIXMAP, &type, &format,
                                          &items, &after, &data);
    Pixmap pixmap = None;
    if (status == Success && type == XA_PIXMAP && format == 32 && items == 1 && data != nullptr)
        pixmap = static_cast<Pixmap>(reinterpret_cast<unsigned long*>(data)[0]);
    if (data != nullptr)
        XFree(data);
    if (pixmap == None || trap.Failed())
        return std::nullopt;

    // The pixmap holds the whole screen: the window's own part of it.
    XWindowAttributes attributes{};
    Window root = 0, child = 0, pixmap_root = 0;
    int x = 0, y = 0, pixmap_x = 0, pixmap_y = 0;
    unsigned int pixmap_width = 0, pixmap_height = 0, border = 0, depth = 0;
    if (XGetWindowAttributes(display.get(), target, &attributes) == 0 || trap.Failed())
        return std::nullopt;
    root = attributes.root;
    if (!XTranslateCoordinates(display.get(), target, root, 0, 0, &x, &y, &child) ||
        !XGetGeometry(display.get(), pixmap, &pixmap_root, &pixmap_x, &pixmap_y, &pixmap_width, &pixmap_height,
                      &border, &depth) ||
        trap.Failed())
        return std::nullopt;
    const int left = std::max(x, 0), top = std::max(y, 0);
    const int right = std::min(x + attributes.width, static_cast<int>(pixmap_width));
    const int bottom = std::min(y + attributes.height, static_cast<int>(pixmap_height));
    if (right <= left || bottom <= top || right - left > platform::kMaxPictureSide ||
        bottom - top > platform::kMaxPictureSide)
        return std::nullopt;
    ImageOwner image(XGetImage(display.get(), pixmap, left, top, static_cast<unsigned>(right - left),
                               static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap));
    if (!image || trap.Failed())
        return std::nullopt;
    // A pixmap has no visual, so Xlib leaves the image's colour masks at 0
    // and every pixel would read as black: the pixmap holds the screen as
    // the window's visual shows it.
    if (image->red_mask == 0 && image->green_mask == 0 && image->blue_mask == 0 && attributes.visual != nullptr &&
        static_cast<int>(depth) == attributes.depth) {
        image->red_mask = attributes.visual->red_mask;
        image->green_mask = attributes.visual->green_mask;
        image->blue_mask = attributes.visual->blue_mask;
    }
    return ToPicture(image.get());
}

}  // namespace nuvra::linux_platform
