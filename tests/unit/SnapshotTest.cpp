#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "common/Notices.h"
#include "common/WindowPort.h"
#include "config/Settings.h"
#include "platform/Constants.h"
#include "platform/sim/SimMachine.h"
#include "resources/resource.h"
#include "snapshot/CSnapshot.h"

using namespace platform;
using snapshot::CSnapshot;

namespace {

constexpr const char* kKey = "Software\\Velnor QM410B\\CONTROL";
constexpr const char* kValue = "HwSnapDstPath";
constexpr const char* kGate = "HwSnapSaveOK";
constexpr const char* kPictures = "C:\\Users\\user\\Pictures\\Snap.bmp";

struct Posted {
    std::uint32_t msg;
    WParam wParam;
    LParam lParam;
};
struct Notice {
    std::string text;
    std::string title;
    std::uint32_t timeoutMs;
    int kind;
};

// The main window as the snapshot sees it: posts are written down and, once the
// window exists, queued to it.
struct Port final : common::IWindowPort {
    explicit Port(sim::SimWindowHost& host) : window(host) {}
    bool post(std::uint32_t msg, WParam wParam, LParam lParam) override {
        posted.push_back(Posted{msg, wParam, lParam});
        return window.window() == 0 || window.postMessage(msg, wParam, lParam);
    }
    LResult ShowNotice(const char* text, const char* title, std::uint32_t timeoutMs, int kind) override {
        notices.push_back(Notice{text, title, timeoutMs, kind});
        return 1;
    }
    bool trayMenuAllowed() const override { return true; }
    void setTrayMenuAllowed(bool) override {}
    void WriteLog(const std::string&, int) override {}

    sim::SimWindowHost& window;
    std::vector<Posted> posted;
    std::vector<Notice> notices;
};

// The main window's rows for the snapshot, as the shell routes them.
struct SnapshotWindow final : IDialogHandler {
    SnapshotWindow(CSnapshot& snapshot, common::IWindowPort& windowPort) : snap(snapshot), port(windowPort) {}
    bool preTranslateMessage(Hwnd, std::uint32_t, WParam, LParam) override { return false; }
    std::optional<LResult> windowProc(std::uint32_t msg, WParam wParam, LParam lParam, IDefaultProcessing&) override {
        if (msg == common::kMsgSnapshot) {
            return snap.OnSnapTaken();
        }
        if (msg >= common::kMsgSnapNotInstalled && msg <= common::kMsgShowPictureError) {
            return common::ShowNoticeFor(port, msg, wParam, lParam);
        }
        return std::nullopt;
    }
    CSnapshot& snap;
    common::IWindowPort& port;
};


std::vector<std::uint8_t> bytesOf(const std::string& text) { return std::vector<std::uint8_t>(text.begin(), text.end()); }

struct Rig {
    explicit Rig(bool withKey = true) {
        config::LoadSettingsFile(machine.profile, machine.system, settings, config::LanguageStep());
        if (withKey) {
            RegKey key = 0;
            machine.registry.createKey(Hive::CurrentUser, kKey, kKEY_ALL_ACCESS, key);
            machine.registry.closeKey(key);
        }
        machine.window.create(IDD_MAIN, handler);
    }
    std::optional<std::string> stored() const {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> bytes;
        if (!machine.registry.get(Hive::CurrentUser, kKey, kValue, type, bytes) || type != kREG_SZ) {
            return std::nullopt;
        }
        return std::string(bytes.begin(), bytes.end());
    }
    std::string edit() const { return machine.window.control(IDC_SNAP_PATH)->text; }
    void choose(const std::string& path) {
        machine.shell.confirmOpenFile(path);
        snap.OnSnapStorePath();
    }

    sim::SimMachine machine;
    config::Settings settings;
    Port port{machine.window};
    CSnapshot snap{machine.window, machine.registry, machine.files, machine.shell, machine.system, port, settings};
    SnapshotWindow handler{snap, port};
};

}  // namespace

TEST(Snapshot, AChosenPathIsPublishedUpperCaseAndShownAsChosenUnlessProtected) {
    struct Case {
        const char* chosen;
        const char* published;
        const char* shown;
    };
    const Case cases[] = {
        {"D:\\Shots\\a", "D:\\SHOTS\\A.BMP", "D:\\Shots\\a.bmp"},
        {"D:\\Shots\\a.BMP", "D:\\SHOTS\\A.BMP.BMP", "D:\\Shots\\a.BMP.bmp"},
        {"D:\\Shots\\b.bmp", "D:\\SHOTS\\B.BMP", "D:\\Shots\\b.bmp"},
        {"C:\\Program Files (x86)\\Cam\\s.bmp", kPictures, kPictures},
        {"c:\\windows\\Temp\\s", kPictures, kPictures},
        {"C:\\Windows2\\s.bmp", kPictures, kPictures},
        {"E:\\myprogram filesx\\s", kPictures, kPictures},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.choose(c.chosen);
        EXPECT_EQ(rig.stored(), std::optional<std::string>(c.published)) << c.chosen;
        EXPECT_EQ(rig.edit(), c.shown) << c.chosen;
        EXPECT_EQ(rig.snap.snapPath(), c.shown) << c.chosen;
        EXPECT_TRUE(rig.snap.snapReady()) << c.chosen;
        EXPECT_TRUE(rig.port.posted.empty()) << c.chosen;
        EXPECT_EQ(rig.machine.registry.openHandleCount(), 0) << c.chosen;
        const bool replaced = std::string(c.published) == kPictures;
        EXPECT_EQ(rig.machine.shell.foldersCreated(),
                  replaced ? std::vector<int>{kCSIDL_MYPICTURES} : std::vector<int>{})
            << c.chosen;

        ASSERT_EQ(rig.machine.shell.openFileRequests().size(), 1u);
        const auto& request = rig.machine.shell.openFileRequests()[0];
        EXPECT_EQ(request.owner, rig.machine.window.window());
        EXPECT_EQ(request.filter, "BMP Files (*.bmp)|*.bmp||");
        EXPECT_EQ(request.flags, kOFN_READONLY | kOFN_EXPLORER);
        EXPECT_EQ(request.initialFile, "");
    }
}

TEST(Snapshot, WithoutThePicturesFolderTheTemporaryFolderTakesTheSnapshot) {
    {
        Rig rig;
        rig.machine.shell.failSpecialFolder(kCSIDL_MYPICTURES);
        rig.choose("C:\\Program Files\\x.bmp");
        EXPECT_EQ(rig.stored(), std::optional<std::string>("C:\\Users\\user\\AppData\\Local\\Temp\\Snap.bmp"));
    }
    {
        // With nowhere safe left, nothing protected is published.
        Rig rig;
        rig.machine.shell.failSpecialFolder(kCSIDL_MYPICTURES);
        rig.machine.system.setTempPath("");
        rig.choose("C:\\Program Files\\x.bmp");
        EXPECT_EQ(rig.stored(), std::nullopt);
        EXPECT_FALSE(rig.snap.snapReady());
        ASSERT_EQ(rig.port.posted.size(), 1u);
        EXPECT_EQ(rig.port.posted[0].msg, common::kMsgSnapNotInstalled);
    }
    {
        // An unknown Windows directory protects nothing by itself.
        Rig rig;
        rig.machine.files.failWindowsDirectory(true);
        rig.choose("D:\\Shots\\a");
        EXPECT_EQ(rig.stored(), std::optional<std::string>("D:\\SHOTS\\A.BMP"));
    }
}

TEST(Snapshot, TheValueHoldsTheCharactersWithoutTheirNul) {
    Rig rig;
    rig.choose("D:\\Shots\\a");
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(rig.machine.registry.get(Hive::CurrentUser, kKey, kValue, type, bytes));
    EXPECT_EQ(bytes, bytesOf("D:\\SHOTS\\A.BMP"));
}

TEST(Snapshot, CancellingRunsTheProtectedTestAndTheStoreAgain) {
    Rig rig;
    rig.choose("D:\\Shots\\a");
    // The same path is now inside the Windows directory.
    rig.machine.files.setWindowsDirectory("d:\\shots");
    rig.machine.shell.cancelOpenFile();
    rig.snap.OnSnapStorePath();
    EXPECT_EQ(rig.stored(), std::optional<std::string>(kPictures));
    EXPECT_EQ(rig.edit(), kPictures);

    // Without the key the store fails: mark cleared, text emptied, the edit left as it was.
    rig.machine.registry.removeKey(Hive::CurrentUser, kKey);
    rig.snap.OnSnapStorePath();
    EXPECT_FALSE(rig.snap.snapReady());
    EXPECT_EQ(rig.snap.snapPath(), "");
    EXPECT_EQ(rig.edit(), kPictures);
    ASSERT_EQ(rig.port.posted.size(), 1u);
    EXPECT_EQ(rig.port.posted[0].msg, common::kMsgSnapNotInstalled);
    EXPECT_FALSE(rig.machine.registry.keyExists(Hive::CurrentUser, kKey));
}

TEST(Snapshot, TheStoreGateDecides) {
    struct Case {
        const char* name;
        bool key;
        std::uint32_t gateType;  // kREG_NONE: no gate value
        std::vector<std::uint8_t> gateBytes;
        Long openFailure;
        bool stored;
    };
    const Case cases[] = {
        {"no key", false, kREG_NONE, {}, kERROR_SUCCESS, false},
        {"key, no gate value", true, kREG_NONE, {}, kERROR_SUCCESS, true},
        {"gate DWORD 0", true, kREG_DWORD, {0, 0, 0, 0}, kERROR_SUCCESS, false},
        {"gate DWORD 1", true, kREG_DWORD, {1, 0, 0, 0}, kERROR_SUCCESS, true},
        {"gate string 0", true, kREG_SZ, {'0', 0}, kERROR_SUCCESS, true},
        {"gate binary zeros", true, kREG_BINARY, {0, 0, 0, 0}, kERROR_SUCCESS, true},
        {"gate DWORD of 2 bytes", true, kREG_DWORD, {0, 0}, kERROR_SUCCESS, true},
        {"gate DWORD of 8 bytes", true, kREG_DWORD, {0, 0, 0, 0, 0, 0, 0, 0}, kERROR_SUCCESS, true},
        {"key without full access", true, kREG_NONE, {}, kERROR_ACCESS_DENIED, false},
    };
    for (const Case& c : cases) {
        Rig rig(c.key);
        if (c.gateType != kREG_NONE) {
            rig.machine.registry.put(Hive::CurrentUser, kKey, kGate, c.gateType, c.gateBytes);
        }
        if (c.openFailure != kERROR_SUCCESS) {
            rig.machine.registry.failNextOpen(c.openFailure);
        }
        rig.choose("D:\\Shots\\a");
        EXPECT_EQ(rig.stored().has_value(), c.stored) << c.name;
        EXPECT_EQ(rig.snap.snapReady(), c.stored) << c.name;
        EXPECT_EQ(rig.snap.snapPath(), c.stored ? "D:\\Shots\\a.bmp" : "") << c.name;
        EXPECT_EQ(rig.port.posted.size(), c.stored ? 0u : 1u) << c.name;
        EXPECT_EQ(rig.machine.registry.keyExists(Hive::CurrentUser, kKey), c.key) << c.name;
        EXPECT_EQ(rig.machine.registry.openHandleCount(), 0) << c.name;
    }
}

TEST(Snapshot, APathThatDoesNotFitIsRefusedAndTheStoredOneStays) {
    struct Case {
        std::size_t length;  // of the chosen path
        bool endsInBmp;
        bool accepted;
    };
    const Case cases[] = {
        {255, false, true}, {256, false, false}, {259, false, false},
        {259, true, true},  {260, true, false},  {400, false, false},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.choose("D:\\Shots\\a");
        const std::string tail = c.endsInBmp ? ".bmp" : "";
        const std::string chosen = "D:\\" + std::string(c.length - 3 - tail.size(), 'p') + tail;
        rig.choose(chosen);
        if (c.accepted) {
            EXPECT_EQ(rig.stored()->size(), c.endsInBmp ? c.length : c.length + 4) << c.length;
            EXPECT_TRUE(rig.port.posted.empty()) << c.length;
        } else {
            EXPECT_EQ(rig.stored(), std::optional<std::string>("D:\\SHOTS\\A.BMP")) << c.length;
            EXPECT_EQ(rig.snap.snapPath(), "D:\\Shots\\a.bmp") << c.length;
            EXPECT_TRUE(rig.snap.snapReady()) << c.length;
            ASSERT_EQ(rig.port.posted.size(), 1u) << c.length;
            EXPECT_EQ(rig.port.posted[0].msg, common::kMsgFileWriteError);
            EXPECT_EQ(rig.port.posted[0].wParam, 0u);
        }
    }
}

TEST(Snapshot, ARestartTakesUpThePublishedPathWhenItIsAPlainOne) {
    struct Case {
        const char* name;
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
        bool gateClosed;
        bool restored;
    };
    std::vector<std::uint8_t> withNul = bytesOf("D:\\SHOTS\\A.BMP");
    withNul.push_back(0);
    std::vector<std::uint8_t> longest = bytesOf("D:\\" + std::string(256, 'q'));
    longest.push_back(0);
    const Case cases[] = {
        {"as the program stores it", kREG_SZ, bytesOf("D:\\SHOTS\\A.BMP"), false, true},
        {"with its NUL", kREG_SZ, withNul, false, true},
        {"259 characters", kREG_SZ, longest, false, true},
        {"260 characters", kREG_SZ, bytesOf("D:\\" + std::string(257, 'q')), false, false},
        {"much too long", kREG_SZ, bytesOf(std::string(5000, 'q')), false, false},
        {"empty", kREG_SZ, {}, false, false},
        {"text after the NUL", kREG_SZ, bytesOf(std::string("D:\\A\0junk", 9)), false, false},
        {"expandable string", kREG_EXPAND_SZ, withNul, false, false},
        {"binary", kREG_BINARY, withNul, false, false},
        {"DWORD", kREG_DWORD, {1, 0, 0, 0}, false, false},
        {"gate closed", kREG_SZ, withNul, true, false},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.machine.registry.put(Hive::CurrentUser, kKey, kValue, c.type, c.bytes);
        if (c.gateClosed) {
            rig.machine.registry.putDword(Hive::CurrentUser, kKey, kGate, 0);
        }
        rig.snap.RestoreStorePath();
        EXPECT_EQ(rig.snap.snapReady(), c.restored) << c.name;
        const std::string expected = c.restored ? std::string(c.bytes.begin(), c.bytes.end()).c_str() : "";
        EXPECT_EQ(rig.snap.snapPath(), expected) << c.name;
        EXPECT_EQ(std::string(rig.snap.snapFile()), expected) << c.name;
        EXPECT_EQ(rig.edit(), expected) << c.name;
        EXPECT_EQ(rig.machine.registry.openHandleCount(), 0) << c.name;
    }
    Rig withoutKey(false);
    withoutKey.snap.RestoreStorePath();
    EXPECT_FALSE(withoutKey.snap.snapReady());
}

TEST(Snapshot, AfterARestartASnapshotNeedsNoNewChoice) {
    sim::SimMachine machine;
    config::Settings settings;
    config::LoadSettingsFile(machine.profile, machine.system, settings, config::LanguageStep());
    RegKey key = 0;
    machine.registry.createKey(Hive::CurrentUser, kKey, kKEY_ALL_ACCESS, key);
    machine.registry.closeKey(key);
    Port port(machine.window);
    {
        CSnapshot first(machine.window, machine.registry, machine.files, machine.shell, machine.system, port, settings);
        machine.shell.confirmOpenFile("D:\\Shots\\a");
        first.OnSnapStorePath();
    }
    machine.files.addFile("D:\\Shots\\a.bmp");  // the driver wrote it, in its own case
    CSnapshot second(machine.window, machine.registry, machine.files, machine.shell, machine.system, port, settings);
    second.RestoreStorePath();
    EXPECT_EQ(second.OnSnapTaken(), 1);
    ASSERT_EQ(machine.shell.execs().size(), 1u);
    EXPECT_EQ(machine.shell.execs()[0].commandLine, "Snapview.exe");
    EXPECT_EQ(machine.shell.execs()[0].showCommand, kSW_SHOW);
    EXPECT_TRUE(port.posted.empty());
    EXPECT_EQ(machine.files.openHandleCount(), 0);
}

TEST(Snapshot, ASnapshotGoesToTheSnapWindowOrTheViewer) {
    {
        Rig rig;  // not ready: only the can't-snap notice
        EXPECT_EQ(rig.snap.OnSnapTaken(), 1);
        ASSERT_EQ(rig.port.posted.size(), 1u);
        EXPECT_EQ(rig.port.posted[0].msg, common::kMsgSnapNotInstalled);
        EXPECT_EQ(rig.machine.files.createCalls(), 0u);
        EXPECT_TRUE(rig.machine.shell.execs().empty());
    }
    {
        Rig rig;  // the file is missing
        rig.choose("D:\\Shots\\a");
        EXPECT_EQ(rig.snap.OnSnapTaken(), 0);
        ASSERT_EQ(rig.port.posted.size(), 1u);
        EXPECT_EQ(rig.port.posted[0].msg, common::kMsgFileWriteError);
        EXPECT_EQ(rig.port.posted[0].wParam, 0u);
        EXPECT_EQ(rig.port.posted[0].lParam, 0);
        EXPECT_TRUE(rig.machine.shell.execs().empty());
    }
    {
        Rig rig;  // an open "Snap" window is told, and no viewer starts
        rig.choose("D:\\Shots\\a");
        rig.machine.files.addFile("D:\\Shots\\a.bmp");
        const Hwnd snapWindow = rig.machine.window.addWindow("SnapClass", "Snap");
        EXPECT_EQ(rig.snap.OnSnapTaken(), 1);
        const auto& received = rig.machine.window.otherWindow(snapWindow)->received;
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0].msg, kWM_USER + 101);
        EXPECT_EQ(received[0].wParam, 0u);
        EXPECT_EQ(received[0].lParam, 0);
        EXPECT_TRUE(rig.machine.shell.execs().empty());
        EXPECT_TRUE(rig.port.posted.empty());
        EXPECT_EQ(rig.machine.files.openHandleCount(), 0);
    }
}

TEST(Snapshot, AViewerThatDoesNotStartIsANotice) {
    struct Case {
        std::uint32_t result;
        const char* text;  // nullptr: no notice
    };
    const Case cases[] = {
        {0, "The system is out of memory or resources"},
        {2, "Can't Find Snapview.exe, Please reinstall"},
        {31, "Can't Find Snapview.exe, Please reinstall"},
        {33, nullptr},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.choose("D:\\Shots\\a");
        rig.machine.files.addFile("D:\\Shots\\a.bmp");
        rig.machine.shell.setWinExecResult(c.result);
        EXPECT_EQ(rig.snap.OnSnapTaken(), 1) << c.result;
        EXPECT_EQ(rig.machine.shell.execs().size(), 1u) << c.result;
        if (c.text == nullptr) {
            EXPECT_TRUE(rig.port.posted.empty()) << c.result;
            continue;
        }
        ASSERT_EQ(rig.port.posted.size(), 1u) << c.result;
        const Posted& p = rig.port.posted[0];
        EXPECT_EQ(p.msg, common::kMsgShowPictureError);
        EXPECT_EQ(p.wParam, 0u);
        EXPECT_EQ(p.lParam, static_cast<LParam>(c.result));
        EXPECT_EQ(common::ShowNoticeFor(rig.port, p.msg, p.wParam, p.lParam), 1);
        ASSERT_EQ(rig.port.notices.size(), 1u);
        EXPECT_EQ(rig.port.notices[0].text, c.text) << c.result;
    }
}

TEST(Snapshot, TheNoticesShowTheirTexts) {
    struct Case {
        std::uint32_t msg;
        WParam wParam;
        LParam lParam;
        const char* title;
        const char* text;
        int kind;
    };
    const Case cases[] = {
        {common::kMsgSnapNotInstalled, 0, 0, "Error", "Can't Sanp. Please reinstall this software", 3},
        {common::kMsgFileWriteError, 0, 0, "File Write Error",
         "Please reset the sanp temp file store path that have change permission", 2},
        {common::kMsgFileWriteError, 1, 0, "File Write Error",
         "Please set the install path that have change permission, or reinstall the AP in other path that have "
         "change permission",
         2},
        {common::kMsgShowPictureError, 7, 0, "Show Picture Error", "The system is out of memory or resources", 3},
        {common::kMsgShowPictureError, 0, -1, "Show Picture Error", "Can't Find Snapview.exe, Please reinstall", 3},
    };
    for (const Case& c : cases) {
        Rig rig;
        EXPECT_EQ(common::ShowNoticeFor(rig.port, c.msg, c.wParam, c.lParam), 1) << c.text;
        ASSERT_EQ(rig.port.notices.size(), 1u);
        EXPECT_EQ(rig.port.notices[0].title, c.title);
        EXPECT_EQ(rig.port.notices[0].text, c.text);
        EXPECT_EQ(rig.port.notices[0].timeoutMs, 5000u);
        EXPECT_EQ(rig.port.notices[0].kind, c.kind);
    }
    Rig rig;
    EXPECT_EQ(common::ShowNoticeFor(rig.port, common::kMsgExit, 0, 0), 0);
    EXPECT_TRUE(rig.port.notices.empty());
}


TEST(Snapshot, AStormOfSnapshotMessagesStartsAViewerOnlyForAFileThatIsThere) {
    Rig rig;
    rig.choose("D:\\Shots\\a");
    constexpr int kMessages = 1000;
    int withFile = 0;
    for (int i = 0; i < kMessages; ++i) {
        const bool present = i % 3 != 0;
        withFile += present ? 1 : 0;
        rig.machine.window.at(static_cast<std::uint64_t>(i + 1), [&rig, present]() {
            if (present) {
                rig.machine.files.addFile("D:\\Shots\\a.bmp");
            } else {
                rig.machine.files.removeFile("D:\\Shots\\a.bmp");
            }
            rig.machine.window.postMessage(common::kMsgSnapshot, 0, 0);
        });
    }
    rig.machine.window.runFor(kMessages + 1000);
    EXPECT_EQ(static_cast<int>(rig.machine.shell.execs().size()), withFile);
    EXPECT_EQ(static_cast<int>(rig.port.notices.size()), kMessages - withFile);
    EXPECT_EQ(rig.machine.files.openHandleCount(), 0);
}
