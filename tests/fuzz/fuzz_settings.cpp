// The settings reader on any file: every value read stays within what the program can use, and
// what it saves reads back the same.
#include <array>
#include <cstdint>

#include "app/game_ctx.h"
#include "fuzz_dir.h"
#include "store/settings.h"

namespace {

std::array<int32_t, 8> values_of(const game_ctx& ctx) {
    const controls_cfg& c = *ctx.controls;
    const options_cfg& o = *ctx.options;
    return {c.device,    c.joystick_index, c.button_right, c.button_left,
            c.key_right, c.key_left,       o.skin,         o.tune};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz_enter_dir();
    fuzz_write_file("data/control.dat", data, size);
    game_ctx ctx;
    new_game_ctx(ctx);
    default_options(*ctx.options);
    default_controls(*ctx.controls);
    if (load_controls(*ctx.controls, *ctx.options) != 1) fuzz_fail("an existing file did not open");

    const controls_cfg& c = *ctx.controls;
    const options_cfg& o = *ctx.options;
    if (c.device != CTX_DEVICE_KEYBOARD && c.device != CTX_DEVICE_JOYSTICK)
        fuzz_fail("device out of range");
    if (c.key_right < 0 || c.key_right >= INPUT_KEY_COUNT || c.key_left < 0 ||
        c.key_left >= INPUT_KEY_COUNT)
        fuzz_fail("key out of range");
    if (c.button_right < 0 || c.button_left < 0) fuzz_fail("negative button");
    if (o.skin < 0 || o.skin > 2 || o.tune < 0 || o.tune > 5)
        fuzz_fail("skin or tune out of range");

    const auto loaded = values_of(ctx);
    if (save_controls(*ctx.controls, *ctx.options) != 1) fuzz_fail("save failed");
    game_ctx again;
    new_game_ctx(again);
    default_options(*again.options);
    default_controls(*again.controls);
    again.controls->key_right = 1; // so a field the file failed to set would show
    if (load_controls(*again.controls, *again.options) != 1 || values_of(again) != loaded)
        fuzz_fail("saved settings read back differently");
    free_game_ctx(again);
    free_game_ctx(ctx);
    return 0;
}
