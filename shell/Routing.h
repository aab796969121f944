// The shapes of the main window's routing tables: a WM_COMMAND row holds a range of
// command ids and the notification it answers, a message row one message number;
// each names the handler it runs. Rows are searched in order and the first match
// wins, so where two command rows overlap the narrower one must come first (the
// audio device ids 34000-34500 lie inside the language range 34000-35500 and must
// never switch the language); NarrowerRowsFirst checks that at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "config/Languages.h"

namespace shell {

template <typename Handler>
struct CommandRow {
    std::uint32_t first;       // first command id of the row
    std::uint32_t last;        // last command id of the row
    std::uint32_t notifyCode;  // BN_CLICKED or CBN_SELCHANGE for a control; 0 for a menu item
    const char* name;          // the handler, as the trace and the tests name it
    Handler handler;
};

// One entry of the tray popup. A command row names its handler; a submenu row has
// none, and its id is its position in the popup.
template <typename Handler>
struct TrayMenuRow {
    std::uint32_t id;        // command id, or the submenu's position
    std::uint32_t buttonId;  // the console button that runs the same command (BN_CLICKED); 0 for none
    struct Text {
        const char* key;                // key in [Menu] of a language file
        const char* builtIn;            // the text a language file without the key gives
        config::MenuTextTarget target;  // how a new text is put in
    } text;
    const char* name;  // the handler, as the trace and the tests name it; null for a submenu
    Handler handler;
};

// The language texts of the popup, in the rows' order.
template <typename Handler, std::size_t N>
constexpr std::array<config::MenuText, N> MenuTextsOf(const TrayMenuRow<Handler> (&rows)[N]) {
    std::array<config::MenuText, N> texts{};
    for (std::size_t i = 0; i < N; ++i) {
        texts[i] = config::MenuText{rows[i].text.key, rows[i].text.builtIn, rows[i].text.target, rows[i].id};
    }
    return texts;
}

// The command row a menu item (notification 0) or its console button (`clicked`)
// reaches; null for any other id or notification.
template <typename Handler, std::size_t N>
constexpr const TrayMenuRow<Handler>* FindTrayCommand(const TrayMenuRow<Handler> (&rows)[N], std::uint32_t id,
                                                     std::uint32_t notifyCode, std::uint32_t clicked) {
    for (const auto& row : rows) {
        if (row.name == nullptr) {
            continue;  // a submenu runs nothing
        }
        if ((notifyCode == 0 && id == row.id) || (notifyCode == clicked && row.buttonId != 0 && id == row.buttonId)) {
            return &row;
        }
    }
    return nullptr;
}

template <typename Handler>
struct MessageRow {
    std::uint32_t msg;  // window message number
    const char* name;   // the handler
    Handler handler;
};

template <typename Row, std::size_t N>
constexpr const Row* FindCommand(const Row (&rows)[N], std::uint32_t id, std::uint32_t notifyCode) {
    for (const Row& row : rows) {
        if (id >= row.first && id <= row.last && notifyCode == row.notifyCode) {
            return &row;
        }
    }
    return nullptr;
}

template <typename Row, std::size_t N>
constexpr const Row* FindMessage(const Row (&rows)[N], std::uint32_t msg) {
    for (const Row& row : rows) {
        if (row.msg == msg) {
            return &row;
        }
    }
    return nullptr;
}

// True when every row is reachable: a row that overlaps an earlier row of the same
// notification contains it, and never the other way round.
template <typename Row, std::size_t N>
constexpr bool NarrowerRowsFirst(const Row (&rows)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        if (rows[i].first > rows[i].last) {
            return false;
        }
        for (std::size_t j = i + 1; j < N; ++j) {
            const bool overlap = rows[i].notifyCode == rows[j].notifyCode && rows[i].first <= rows[j].last &&
                                 rows[j].first <= rows[i].last;
            const bool laterContainsEarlier = rows[j].first <= rows[i].first && rows[i].last <= rows[j].last;
            const bool laterIsWider = laterContainsEarlier && (rows[j].first < rows[i].first || rows[i].last < rows[j].last);
            if (overlap && !laterIsWider) {
                return false;
            }
        }
    }
    return true;
}

// True when no message number has two rows.
template <typename Row, std::size_t N>
constexpr bool OneRowPerMessage(const Row (&rows)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = i + 1; j < N; ++j) {
            if (rows[i].msg == rows[j].msg) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace shell
