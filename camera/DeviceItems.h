// What the video and the audio device lists share: the " #n" suffix that tells
// devices of one name apart, and the mark of the chosen device in the "Device
// Option" submenu and in the list's combo box.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/Constants.h"
#include "platform/Menus.h"
#include "platform/WindowHost.h"

namespace camera {

// "%s #%d" in place, with the name cut so that the number always fits.
template <std::size_t N>
void AppendNumberSuffix(char (&name)[N], int number) {
    static_assert(N > 16, "room for a suffix");
    char suffix[16] = {};
    char digits[12] = {};
    std::size_t count = 0;
    unsigned value = number < 0 ? 0u : static_cast<unsigned>(number);
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 && count < sizeof digits);
    std::size_t length = 0;
    suffix[length++] = ' ';
    suffix[length++] = '#';
    while (count != 0) {
        suffix[length++] = digits[--count];
    }
    name[N - 1] = '\0';
    const std::size_t room = N - 1 - length;
    if (std::strlen(name) > room) {
        name[room] = '\0';
    }
    std::strcat(name, suffix);
}

// Check mark on the item of `commandId`, and the entry's name selected in the combo box.
inline void MarkChosenDevice(platform::IMenus& menus, platform::MenuHandle deviceMenu, platform::IWindowHost& window,
                             int comboId, std::uint32_t commandId, const char* name) {
    menus.checkMenuItem(deviceMenu, commandId, platform::kMF_BYCOMMAND | platform::kMF_CHECKED);
    window.comboSelectString(comboId, -1, name);
}

}  // namespace camera
