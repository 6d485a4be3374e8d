// Starts a program and watches its main window's pixels on the X display until
// the window is drawn; prints the time to that and the peak memory one second
// later. bench/startup.sh runs it for the game and for the bare window:
//   first_frame PROGRAM [ARGUMENTS...]
// prints one line: "<µs to mapped> <µs to drawn> <VmHWM kB> <window title>".
//
// Drawn means: the middle row of the first top-level window the program maps
// is at least nine tenths painted, that is, its pixels no longer show the empty
// screen that was there before the program started (a window that Qt has not
// painted yet shows what lay under it). Plain xcb, no Qt, so the watcher adds
// little to the machine it measures.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTimeout = std::chrono::seconds(20);

template <class T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "first_frame: %s\n", what);
    std::exit(1);
}

long microseconds(Clock::time_point from, Clock::time_point to) {
    return long(std::chrono::duration_cast<std::chrono::microseconds>(to - from).count());
}

// The row y of a drawable, as 32-bit pixels (24-bit screens keep 32 bits a pixel).
std::vector<uint32_t> row(xcb_connection_t *x, xcb_drawable_t drawable, int y, int width) {
    auto cookie = xcb_get_image(x, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, 0, int16_t(y),
                                uint16_t(width), 1, ~0u);
    Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(x, cookie, nullptr), &std::free);
    if (!image)
        return {};
    const auto *data = reinterpret_cast<const uint32_t *>(xcb_get_image_data(image.get()));
    const int count = xcb_get_image_data_length(image.get()) / 4;
    std::vector<uint32_t> pixels(data, data + std::min(count, width));
    for (uint32_t &p : pixels)
        p &= 0xffffff;
    return pixels;
}

std::string title(xcb_connection_t *x, xcb_window_t window) {
    auto cookie =
        xcb_get_property(x, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(x, cookie, nullptr), &std::free);
    if (!reply)
        return {};
    return {static_cast<const char *>(xcb_get_property_value(reply.get())),
            size_t(xcb_get_property_value_length(reply.get()))};
}

long peakResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2)
        fail("usage: first_frame PROGRAM [ARGUMENTS...]");
    // A display started a moment ago may not take connections yet.
    xcb_connection_t *x = xcb_connect(nullptr, nullptr);
    for (int tries = 0; xcb_connection_has_error(x) && tries < 50; ++tries) {
        xcb_disconnect(x);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        x = xcb_connect(nullptr, nullptr);
    }
    if (xcb_connection_has_error(x))
        fail("cannot open the display");
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &events);
    // The empty screen's colour, taken before anything of the program exists.
    const std::vector<uint32_t> empty = row(x, screen->root, 0, 1);
    if (empty.empty())
        fail("cannot read the screen");

    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        std::_Exit(127);
    }
    if (child < 0)
        fail("cannot start the program");
    auto stop = [child] {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
    };

    // The first ordinary top-level window it maps (menus and tooltips are override-redirect).
    xcb_window_t window = 0;
    Clock::time_point mapped;
    while (!window) {
        Reply<xcb_generic_event_t> event(xcb_poll_for_event(x), &std::free);
        if (!event) {
            if (xcb_connection_has_error(x) || Clock::now() - start > kTimeout) {
                stop();
                fail("no window was mapped within 20 s");
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY)
            continue;
        const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(event.get());
        if (!map->override_redirect) {
            window = map->window;
            mapped = Clock::now();
        }
    }

    auto geometry = xcb_get_geometry_reply(x, xcb_get_geometry(x, window), nullptr);
    if (!geometry) {
        stop();
        fail("the window went away");
    }
    const int width = geometry->width;
    const int middle = geometry->height / 2;
    std::free(geometry);

    Clock::time_point drawn;
    for (;;) {
        const std::vector<uint32_t> pixels = row(x, window, middle, width);
        int painted = 0;
        for (uint32_t p : pixels)
            painted += p != empty[0];
        if (!pixels.empty() && painted * 10 >= width * 9) {
            drawn = Clock::now();
            break;
        }
        if (Clock::now() - start > kTimeout) {
            stop();
            fail("the window was not drawn within 20 s");
        }
        std::this_thread::sleep_for(std::chrono::microseconds(250));
    }

    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long peak = peakResidentKiB(child);
    const std::string name = title(x, window);
    stop();
    xcb_disconnect(x);
    std::printf("%ld %ld %ld %s\n", microseconds(start, mapped), microseconds(start, drawn), peak,
                name.c_str());
    return 0;
}
