#include "platform/console.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
std::unique_ptr<Console>& current() {
    static std::unique_ptr<Console> instance;
    return instance;
}
}  // namespace

Console& console() {
    auto& c = current();
    if (!c) {
        std::fputs("korvel32: console used before it was set up\n", stderr);
        std::abort();
    }
    return *c;
}

void set_console(std::unique_ptr<Console> c) { current() = std::move(c); }

bool has_console() { return current() != nullptr; }

}  // namespace platform
