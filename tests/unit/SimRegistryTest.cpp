// What the simulated registry promises: advapi32's codes, sizes and views.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Constants.h"
#include "platform/sim/SimRegistry.h"

namespace {

using namespace platform;

constexpr const char* kVendor = "SOFTWARE\\Vendor\\Camera";

TEST(SimRegistry, KeysAndValuesBehaveAsAdvapi32) {
    sim::SimRegistry reg;
    RegKey key = 99;
    EXPECT_EQ(reg.openKey(Hive::LocalMachine, kVendor, kKEY_READ, key), kERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, 0u);
    ASSERT_EQ(reg.createKey(Hive::LocalMachine, kVendor, kKEY_ALL_ACCESS, key), kERROR_SUCCESS);
    EXPECT_TRUE(reg.keyExists(Hive::LocalMachine, "software\\VENDOR"));
    EXPECT_FALSE(reg.keyExists(Hive::CurrentUser, kVendor));
    {
        RegKeyHolder again(reg);
        ASSERT_EQ(reg.openKey(Hive::LocalMachine, "\\software\\\\vendor\\CAMERA\\", kKEY_READ, again.out()),
                  kERROR_SUCCESS);
        EXPECT_NE(again.get(), key);
        EXPECT_EQ(reg.openHandleCount(), 2);
    }

    const std::uint8_t noNul[] = {'a', 'b'};
    EXPECT_EQ(reg.setValue(key, "Name", kREG_SZ, noNul, 2), kERROR_SUCCESS);
    EXPECT_EQ(reg.setValue(key, "NAME", kREG_BINARY, noNul, 1), kERROR_SUCCESS);
    EXPECT_EQ(reg.setValue(key, "Bad", kREG_BINARY, nullptr, 4), kERROR_INVALID_PARAMETER);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(reg.get(Hive::LocalMachine, kVendor, "name", type, bytes));
    EXPECT_EQ(type, kREG_BINARY);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{'a'});
    EXPECT_EQ(reg.deleteValue(key, "name"), kERROR_SUCCESS);
    EXPECT_EQ(reg.deleteValue(key, "name"), kERROR_FILE_NOT_FOUND);

    EXPECT_EQ(reg.closeKey(key), kERROR_SUCCESS);
    EXPECT_EQ(reg.closeKey(key), kERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.openHandleCount(), 0);
}

TEST(SimRegistry, QueryReportsTypeAndSizeAsAdvapi32) {
    struct Case {
        const char* name;
        bool withData;
        std::uint32_t bufferSize;
        bool withType;
        Long rc;
        std::uint32_t size;   // what *size holds afterwards
        std::uint32_t type;   // what *type holds afterwards (sentinel 77 when untouched)
        bool copied;
    };
    const Case cases[] = {
        {"Rotation", false, 0, true, kERROR_SUCCESS, 4, kREG_DWORD, false},
        {"ROTATION", true, 4, true, kERROR_SUCCESS, 4, kREG_DWORD, true},
        {"rotation", true, 16, false, kERROR_SUCCESS, 4, 77, true},
        {"Rotation", true, 3, true, kERROR_MORE_DATA, 4, kREG_DWORD, false},
        {"Rotation", true, 0, true, kERROR_MORE_DATA, 4, kREG_DWORD, false},
        {"", true, 16, true, kERROR_SUCCESS, 4, kREG_SZ, true},
        {nullptr, false, 0, true, kERROR_SUCCESS, 4, kREG_SZ, false},
        {"Missing", true, 16, true, kERROR_FILE_NOT_FOUND, 16, 77, false},
    };
    for (const Case& c : cases) {
        sim::SimRegistry reg;
        reg.putDword(Hive::LocalMachine, kVendor, "Rotation", 0x04030201u);
        reg.putString(Hive::LocalMachine, kVendor, "", "cam");
        RegKeyHolder key(reg);
        ASSERT_EQ(reg.openKey(Hive::LocalMachine, kVendor, kKEY_READ, key.out()), kERROR_SUCCESS);
        std::vector<std::uint8_t> data(16, 0xEE);
        std::uint32_t size = c.bufferSize;
        std::uint32_t type = 77;
        const Long rc = reg.queryValue(key.get(), c.name, c.withType ? &type : nullptr,
                                       c.withData ? data.data() : nullptr, &size);
        const std::string label = c.name != nullptr ? c.name : "(null)";
        EXPECT_EQ(rc, c.rc) << label;
        EXPECT_EQ(size, c.size) << label;
        EXPECT_EQ(type, c.type) << label;
        EXPECT_EQ(data[0] != 0xEE, c.copied) << label;
    }
    sim::SimRegistry reg;
    reg.putDword(Hive::CurrentUser, "K", "v", 1);
    RegKeyHolder key(reg);
    ASSERT_EQ(reg.openKey(Hive::CurrentUser, "k", kKEY_READ, key.out()), kERROR_SUCCESS);
    std::uint8_t data[4];
    EXPECT_EQ(reg.queryValue(key.get(), "v", nullptr, data, nullptr), kERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg.queryValue(key.get() + 1, "v", nullptr, nullptr, nullptr), kERROR_INVALID_HANDLE);
}

TEST(SimRegistry, AccessRightsGateReadsAndWrites) {
    struct Case {
        std::uint32_t sam;
        Long query;
        Long write;
    };
    const Case cases[] = {
        {kKEY_READ, kERROR_SUCCESS, kERROR_ACCESS_DENIED},
        {kKEY_QUERY_VALUE | kKEY_WOW64_64KEY, kERROR_SUCCESS, kERROR_ACCESS_DENIED},
        {kKEY_WRITE, kERROR_ACCESS_DENIED, kERROR_SUCCESS},
        {kKEY_READ | kKEY_WRITE, kERROR_SUCCESS, kERROR_SUCCESS},
        {kKEY_ALL_ACCESS, kERROR_SUCCESS, kERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        sim::SimRegistry reg;
        reg.putDword(Hive::CurrentUser, "App", "v", 5);
        RegKeyHolder key(reg);
        ASSERT_EQ(reg.openKey(Hive::CurrentUser, "App", c.sam, key.out()), kERROR_SUCCESS);
        std::uint32_t size = 0;
        const std::uint8_t one = 1;
        EXPECT_EQ(reg.queryValue(key.get(), "v", nullptr, nullptr, &size), c.query) << std::hex << c.sam;
        EXPECT_EQ(reg.setValue(key.get(), "w", kREG_BINARY, &one, 1), c.write) << std::hex << c.sam;
        EXPECT_EQ(reg.deleteValue(key.get(), "v"), c.write) << std::hex << c.sam;
    }
}

TEST(SimRegistry, Wow64ProcessSeesTheRedirectedSoftwareKey) {
    struct Case {
        bool wow64;
        Hive hive;
        const char* path;
        std::uint32_t sam;
        std::uint32_t view;  // which copy answered
    };
    const Case cases[] = {
        {false, Hive::LocalMachine, "SOFTWARE\\Vendor", kKEY_READ, 64},
        {true, Hive::LocalMachine, "SOFTWARE\\Vendor", kKEY_READ, 32},
        {true, Hive::LocalMachine, "software\\vendor", kKEY_QUERY_VALUE, 32},
        {true, Hive::LocalMachine, "SOFTWARE\\Vendor", kKEY_READ | kKEY_WOW64_64KEY, 64},
        {true, Hive::LocalMachine, "SOFTWARE\\Wow6432Node\\Vendor", kKEY_READ, 32},
        {true, Hive::CurrentUser, "SOFTWARE\\Vendor", kKEY_READ, 64},
        {true, Hive::LocalMachine, "SYSTEM\\Vendor", kKEY_READ, 64},
    };
    for (const Case& c : cases) {
        sim::SimRegistry reg;
        reg.setWow64(c.wow64);
        for (Hive hive : {Hive::LocalMachine, Hive::CurrentUser}) {
            reg.putDword(hive, "SOFTWARE\\Vendor", "view", 64);
            reg.putDword(hive, "SYSTEM\\Vendor", "view", 64);
            reg.putDword(hive, "SOFTWARE\\WOW6432Node\\Vendor", "view", 32);
        }
        RegKeyHolder key(reg);
        ASSERT_EQ(reg.openKey(c.hive, c.path, c.sam, key.out()), kERROR_SUCCESS) << c.path;
        std::uint32_t view = 0;
        std::uint32_t size = sizeof view;
        ASSERT_EQ(reg.queryValue(key.get(), "view", nullptr, reinterpret_cast<std::uint8_t*>(&view), &size),
                  kERROR_SUCCESS);
        EXPECT_EQ(view, c.view) << c.wow64 << " " << c.path << " " << std::hex << c.sam;
    }
    sim::SimRegistry reg;
    reg.setWow64(true);
    RegKeyHolder key(reg);
    ASSERT_EQ(reg.createKey(Hive::LocalMachine, "SOFTWARE\\New", kKEY_ALL_ACCESS, key.out()), kERROR_SUCCESS);
    EXPECT_TRUE(reg.keyExists(Hive::LocalMachine, "SOFTWARE\\WOW6432Node\\New"));
    EXPECT_FALSE(reg.keyExists(Hive::LocalMachine, "SOFTWARE\\New"));
}

TEST(SimRegistry, FailuresAndRemovedKeysNeverCrash) {
    sim::SimRegistry reg;
    reg.putDword(Hive::LocalMachine, kVendor, "v", 1);
    RegKey key = 0;
    ASSERT_EQ(reg.openKey(Hive::LocalMachine, kVendor, kKEY_ALL_ACCESS, key), kERROR_SUCCESS);
    reg.removeKey(Hive::LocalMachine, "software\\vendor");
    EXPECT_FALSE(reg.keyExists(Hive::LocalMachine, kVendor));
    const std::uint8_t one = 1;
    std::uint32_t size = 0;
    EXPECT_NE(reg.queryValue(key, "v", nullptr, nullptr, &size), kERROR_SUCCESS);
    EXPECT_NE(reg.setValue(key, "v", kREG_BINARY, &one, 1), kERROR_SUCCESS);
    EXPECT_NE(reg.deleteValue(key, "v"), kERROR_SUCCESS);
    EXPECT_FALSE(reg.keyExists(Hive::LocalMachine, kVendor));
    EXPECT_EQ(reg.closeKey(key), kERROR_SUCCESS);

    reg.failNextOpen(kERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.createKey(Hive::CurrentUser, "Fresh", kKEY_ALL_ACCESS, key), kERROR_ACCESS_DENIED);
    EXPECT_EQ(key, 0u);
    EXPECT_FALSE(reg.keyExists(Hive::CurrentUser, "Fresh"));
    EXPECT_EQ(reg.createKey(Hive::CurrentUser, "Fresh", kKEY_ALL_ACCESS, key), kERROR_SUCCESS);
    EXPECT_EQ(reg.closeKey(key), kERROR_SUCCESS);

    std::string deep;
    for (int i = 0; i < 2000; ++i) deep += "k\\";
    EXPECT_EQ(reg.createKey(Hive::CurrentUser, deep, kKEY_ALL_ACCESS, key), kERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg.createKey(Hive::CurrentUser, std::string(300, 'x'), kKEY_ALL_ACCESS, key),
              kERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg.openKey(static_cast<Hive>(9), "x", kKEY_READ, key), kERROR_INVALID_HANDLE);
    reg.putDword(static_cast<Hive>(9), "x", "v", 1);
    reg.removeKey(Hive::ClassesRoot, "");
    EXPECT_EQ(reg.openHandleCount(), 0);
}

}  // namespace
