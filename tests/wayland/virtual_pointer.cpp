// A pointer for the layer suite's compositor, which has none: makes a
// virtual pointer on the seat, waits for clients to take it up, then moves
// it by DX, DY in four steps, as a hand does, or clicks its left button
// (after a step to the right, which brings the surface under it the
// pointer's focus), and goes.
//
//   nuvra_test_virtual_pointer move DX DY
//   nuvra_test_virtual_pointer click
//
// Exits with 0 once the compositor has had the input, 1 where it offers no
// virtual pointers, 2 on a wrong command line.
#include <linux/input-event-codes.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* pointers = nullptr;
};

void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t)
{
    auto& globals = *static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals.seat)
        globals.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        globals.pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void GlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener = {Global, GlobalRemove};

std::uint32_t Now()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (!((command == "move" && argc == 4) || (command == "click" && argc == 2))) {
        std::fprintf(stderr, "usage: %s move DX DY | click\n", argv[0]);
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "no Wayland compositor\n");
        return 1;
    }
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.pointers) {
        std::fprintf(stderr, "the compositor offers no virtual pointers\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.pointers, globals.seat);
    wl_display_roundtrip(display);
    // A client is handed the seat's new pointer only after it asks for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto step = [&](double dx, double dy) {
        zwlr_virtual_pointer_v1_motion(pointer, Now(), wl_fixed_from_double(dx), wl_fixed_from_double(dy));
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    if (command == "move") {
        for (int i = 0; i < 4; ++i)
            step(std::atof(argv[2]) / 4, std::atof(argv[3]) / 4);
    } else {
        step(1, 0);
        zwlr_virtual_pointer_v1_button(pointer, Now(), BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
        zwlr_virtual_pointer_v1_frame(pointer);
        zwlr_virtual_pointer_v1_button(pointer, Now(), BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
        zwlr_virtual_pointer_v1_frame(pointer);
    }
    wl_display_roundtrip(display);
    // The clients read it before the pointer goes with us.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(globals.pointers);
    if (globals.seat)
        wl_seat_destroy(globals.seat);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
