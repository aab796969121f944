#include "platform/sim/SimRegistry.h"

#include <cstring>

#include "platform/LittleEndian.h"
#include "platform/Constants.h"

namespace sim {

using platform::Hive;
using platform::Long;
using platform::RegKey;

namespace {

// Limits Windows documents for the registry. Holding untrusted paths to them also keeps
// the tree shallow enough to be torn down without exhausting the stack.
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxKeyDepth = 512;
constexpr std::size_t kMaxValueNameLength = 16383;

std::string lowered(const std::string& text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// "A\\B\\\\C\\" is A, B, C: empty parts between separators name nothing.
std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(lowered(path.substr(start, end - start)));
        start = end + 1;
    }
    return parts;
}

bool pathWithinLimits(const std::vector<std::string>& parts) {
    if (parts.size() > kMaxKeyDepth) return false;
    for (const std::string& part : parts) {
        if (part.size() > kMaxKeyNameLength) return false;
    }
    return true;
}

bool knownHive(Hive hive) { return static_cast<std::uint32_t>(hive) < 3; }

std::string valueKey(const char* name) { return lowered(name != nullptr ? name : ""); }

}  // namespace

struct SimRegistry::Key {
    struct Value {
        std::uint32_t type = platform::kREG_NONE;
        std::vector<std::uint8_t> bytes;
    };
    std::map<std::string, std::shared_ptr<Key>> children;  // by lower-case name
    std::map<std::string, Value> values;                   // by lower-case name; "" is the default value
};

SimRegistry::SimRegistry() {
    for (auto& root : m_roots) root = std::make_shared<Key>();
}

SimRegistry::~SimRegistry() = default;

namespace {

template <typename KeyT>
std::shared_ptr<KeyT> CloneKey(const KeyT& key) {
    auto copy = std::make_shared<KeyT>();
    copy->values = key.values;
    for (const auto& [name, child] : key.children) {
        copy->children[name] = CloneKey(*child);
    }
    return copy;
}

}  // namespace

void SimRegistry::copyTreeFrom(const SimRegistry& other) {
    for (std::size_t i = 0; i < 3; ++i) {
        m_roots[i] = CloneKey(*other.m_roots[i]);
    }
    m_handles.clear();
}

std::shared_ptr<SimRegistry::Key> SimRegistry::findKey(Hive hive, const std::vector<std::string>& path) const {
    if (!knownHive(hive)) return nullptr;
    std::shared_ptr<Key> node = m_roots[static_cast<std::uint32_t>(hive)];
    for (const std::string& part : path) {
        const auto it = node->children.find(part);
        if (it == node->children.end()) return nullptr;
        node = it->second;
    }
    return node;
}

std::shared_ptr<SimRegistry::Key> SimRegistry::makeKey(Hive hive, const std::vector<std::string>& path) {
    if (!knownHive(hive)) return nullptr;
    std::shared_ptr<Key> node = m_roots[static_cast<std::uint32_t>(hive)];
    for (const std::string& part : path) {
        std::shared_ptr<Key>& child = node->children[part];
        if (!child) child = std::make_shared<Key>();
        node = child;
    }
    return node;
}

Long SimRegistry::open(Hive hive, const std::string& subKey, std::uint32_t samDesired, bool create, RegKey& out) {
    out = 0;
    if (m_failNextOpen != platform::kERROR_SUCCESS) {
        const Long error = m_failNextOpen;
        m_failNextOpen = platform::kERROR_SUCCESS;
        return error;
    }
    if (!knownHive(hive)) return platform::kERROR_INVALID_HANDLE;
    std::vector<std::string> parts = splitPath(subKey);
    if (!pathWithinLimits(parts)) return platform::kERROR_INVALID_PARAMETER;

    // A 32-bit program on 64-bit Windows sees HKLM\SOFTWARE through WOW6432Node unless it
    // asks for the 64-bit view. (Keys Windows shares between the views are not modelled.)
    const bool redirect = m_wow64 && hive == Hive::LocalMachine && (samDesired & platform::kKEY_WOW64_64KEY) == 0 &&
                          !parts.empty() && parts[0] == "software" &&
                          (parts.size() < 2 || parts[1] != "wow6432node");
    if (redirect) parts.insert(parts.begin() + 1, "wow6432node");

    std::shared_ptr<Key> node = create ? makeKey(hive, parts) : findKey(hive, parts);
    if (!node) return platform::kERROR_FILE_NOT_FOUND;

    const RegKey id = m_nextHandle;
    m_nextHandle += 4;
    m_handles[id] = Handle{node, samDesired & ~(platform::kKEY_WOW64_64KEY | platform::kKEY_WOW64_32KEY)};
    out = id;
    return platform::kERROR_SUCCESS;
}

Long SimRegistry::openKey(Hive hive, const std::string& subKey, std::uint32_t samDesired, RegKey& out) {
    return open(hive, subKey, samDesired, false, out);
}

Long SimRegistry::createKey(Hive hive, const std::string& subKey, std::uint32_t samDesired, RegKey& out) {
    return open(hive, subKey, samDesired, true, out);
}

Long SimRegistry::closeKey(RegKey key) {
    return m_handles.erase(key) != 0 ? platform::kERROR_SUCCESS : platform::kERROR_INVALID_HANDLE;
}

// Windows answers ERROR_KEY_DELETED for a handle whose key has gone; callers treat every
// failure alike, so the invalid-handle code stands in for it.
Long SimRegistry::resolve(RegKey key, std::shared_ptr<Key>& node, std::uint32_t& access) const {
    const auto it = m_handles.find(key);
    if (it == m_handles.end()) return platform::kERROR_INVALID_HANDLE;
    node = it->second.key.lock();
    if (!node) return platform::kERROR_INVALID_HANDLE;
    access = it->second.access;
    return platform::kERROR_SUCCESS;
}

Long SimRegistry::queryValue(RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* size) {
    std::shared_ptr<Key> node;
    std::uint32_t access = 0;
    if (const Long rc = resolve(key, node, access); rc != platform::kERROR_SUCCESS) return rc;
    if ((access & platform::kKEY_QUERY_VALUE) == 0) return platform::kERROR_ACCESS_DENIED;
    if (data != nullptr && size == nullptr) return platform::kERROR_INVALID_PARAMETER;
    const auto it = node->values.find(valueKey(name));
    if (it == node->values.end()) return platform::kERROR_FILE_NOT_FOUND;

    const std::vector<std::uint8_t>& bytes = it->second.bytes;
    const auto needed = static_cast<std::uint32_t>(bytes.size());
    if (type != nullptr) *type = it->second.type;
    if (data == nullptr) {
        if (size != nullptr) *size = needed;
        return platform::kERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return platform::kERROR_MORE_DATA;
    }
    if (needed > 0) std::memcpy(data, bytes.data(), needed);
    *size = needed;
    return platform::kERROR_SUCCESS;
}

Long SimRegistry::setValue(RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                           std::uint32_t size) {
    std::shared_ptr<Key> node;
    std::uint32_t access = 0;
    if (const Long rc = resolve(key, node, access); rc != platform::kERROR_SUCCESS) return rc;
    if ((access & platform::kKEY_SET_VALUE) == 0) return platform::kERROR_ACCESS_DENIED;
    if (data == nullptr && size != 0) return platform::kERROR_INVALID_PARAMETER;
    const std::string valueName = valueKey(name);
    if (valueName.size() > kMaxValueNameLength) return platform::kERROR_INVALID_PARAMETER;
    Key::Value& value = node->values[valueName];
    value.type = type;
    if (size > 0) {
        value.bytes.assign(data, data + size);
    } else {
        value.bytes.clear();
    }
    return platform::kERROR_SUCCESS;
}

Long SimRegistry::deleteValue(RegKey key, const char* name) {
    std::shared_ptr<Key> node;
    std::uint32_t access = 0;
    if (const Long rc = resolve(key, node, access); rc != platform::kERROR_SUCCESS) return rc;
    if ((access & platform::kKEY_SET_VALUE) == 0) return platform::kERROR_ACCESS_DENIED;
    return node->values.erase(valueKey(name)) != 0 ? platform::kERROR_SUCCESS : platform::kERROR_FILE_NOT_FOUND;
}

void SimRegistry::put(Hive hive, const std::string& path, const std::string& name, std::uint32_t type,
                      std::vector<std::uint8_t> bytes) {
    const std::shared_ptr<Key> node = makeKey(hive, splitPath(path));
    if (!node) return;
    Key::Value& value = node->values[lowered(name)];
    value.type = type;
    value.bytes = std::move(bytes);
}

void SimRegistry::putDword(Hive hive, const std::string& path, const std::string& name, std::uint32_t value) {
    std::vector<std::uint8_t> bytes(4);
    platform::WriteLe32(bytes.data(), value);
    put(hive, path, name, platform::kREG_DWORD, std::move(bytes));
}

void SimRegistry::putString(Hive hive, const std::string& path, const std::string& name, const std::string& value) {
    std::vector<std::uint8_t> bytes(value.begin(), value.end());
    bytes.push_back(0);
    put(hive, path, name, platform::kREG_SZ, std::move(bytes));
}

bool SimRegistry::get(Hive hive, const std::string& path, const std::string& name, std::uint32_t& type,
                      std::vector<std::uint8_t>& bytes) const {
    const std::shared_ptr<Key> node = findKey(hive, splitPath(path));
    if (!node) return false;
    const auto it = node->values.find(lowered(name));
    if (it == node->values.end()) return false;
    type = it->second.type;
    bytes = it->second.bytes;
    return true;
}

bool SimRegistry::keyExists(Hive hive, const std::string& path) const {
    return findKey(hive, splitPath(path)) != nullptr;
}

void SimRegistry::removeKey(Hive hive, const std::string& path) {
    std::vector<std::string> parts = splitPath(path);
    if (!knownHive(hive)) return;
    if (parts.empty()) {
        m_roots[static_cast<std::uint32_t>(hive)] = std::make_shared<Key>();
        return;
    }
    const std::string leaf = parts.back();
    parts.pop_back();
    if (const std::shared_ptr<Key> parent = findKey(hive, parts)) parent->children.erase(leaf);
}

}  // namespace sim
