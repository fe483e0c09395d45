// Test processes run without a display or a sound card, and take joystick events while no
// window has focus. The sanitizer settings are built in, so a test behaves the same whether
// ctest or a person starts it.
#include <cstdlib>

namespace {
struct test_env {
    test_env() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 0);
    }
};
const test_env set_test_env;
} // namespace

extern "C" const char* __asan_default_options() {
    return "detect_leaks=1:fast_unwind_on_malloc=0";
}
extern "C" const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}
// The display surface belongs to the video layer and lives until the process ends.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:SDL_SetVideoMode\n";
}
