// The registry on POSIX: the REGEDIT4 hive file, parsing, formatting and atomic rewriting.
#include "platform/registry.h"
#include "platform/registry_hive.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/files.h"

namespace ronvalo::platform {

namespace {

const std::string rootName = "HKEY_LOCAL_MACHINE";

// A build for a shared installation names one hive for every account (RONVALO_MACHINE_HIVE in
// CMake); otherwise each account has its own under its configuration folder.
#ifdef RONVALO_MACHINE_HIVE
constexpr const char* machineHive = RONVALO_MACHINE_HIVE;
#else
constexpr const char* machineHive = "";
#endif
constexpr const char* header = "REGEDIT4";

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "00,ff,1a" (blanks allowed); nothing on any malformed byte.
std::optional<std::vector<std::uint8_t>> parseHexList(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::string digits;
    for (size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ',';
        if (c == ' ' || c == '\t')
            continue;
        if (c != ',') {
            digits += c;
            continue;
        }
        if (digits.empty() && i == text.size() && !bytes.empty())
            break;
        if (digits.size() != 2 || hexDigit(digits[0]) < 0 || hexDigit(digits[1]) < 0) {
            if (digits.empty() && text.find_first_not_of(" \t") == std::string::npos)
                return bytes; // "hex:" with no data is an empty value
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(hexDigit(digits[0]) * 16 + hexDigit(digits[1])));
        digits.clear();
    }
    return bytes;
}

// A quoted string starting at text[pos] == '"'; advances pos past the closing quote.
std::optional<std::string> parseQuoted(const std::string& text, size_t& pos) {
    if (pos >= text.size() || text[pos] != '"')
        return std::nullopt;
    std::string result;
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return result;
        }
        if (c == '\\') {
            if (++pos >= text.size())
                return std::nullopt;
        }
        result += text[pos];
    }
    return std::nullopt; // truncated: no closing quote
}

std::optional<RegValue> parseData(const std::string& data) {
    if (!data.empty() && data[0] == '"') {
        size_t pos = 0;
        auto text = parseQuoted(data, pos);
        if (!text || data.find_first_not_of(" \t\r", pos) != std::string::npos)
            return std::nullopt;
        RegValue value{RegType::String, std::vector<std::uint8_t>(text->begin(), text->end())};
        value.data.push_back(0);
        return value;
    }
    if (data.rfind("dword:", 0) == 0) {
        const std::string digits = data.substr(6);
        if (digits.size() != 8)
            return std::nullopt;
        std::uint32_t number = 0;
        for (char c : digits) {
            if (hexDigit(c) < 0)
                return std::nullopt;
            number = number * 16 + static_cast<std::uint32_t>(hexDigit(c));
        }
        RegValue value{RegType::Dword, {}};
        for (int i = 0; i < 4; ++i)
            value.data.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
        return value;
    }
    RegType type = RegType::Binary;
    std::string list;
    if (data.rfind("hex:", 0) == 0) {
        list = data.substr(4);
    } else if (data.rfind("hex(", 0) == 0) {
        const size_t close = data.find("):");
        if (close == std::string::npos || close == 4)
            return std::nullopt;
        std::uint32_t number = 0;
        for (size_t i = 4; i < close; ++i) {
            if (hexDigit(data[i]) < 0 || i > 12)
                return std::nullopt;
            number = number * 16 + static_cast<std::uint32_t>(hexDigit(data[i]));
        }
        type = static_cast<RegType>(number);
        list = data.substr(close + 2);
    } else {
        return std::nullopt;
    }
    auto bytes = parseHexList(list);
    if (!bytes)
        return std::nullopt;
    return RegValue{type, std::move(*bytes)};
}

std::string hexList(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            text += ',';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

std::string quote(const std::string& text) {
    std::string result = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            result += '\\';
        result += c;
    }
    return result + '"';
}

std::string formatValue(const RegValue& value) {
    if (value.type == RegType::Dword && value.data.size() == 4) {
        char text[16];
        const std::uint32_t number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                     static_cast<std::uint32_t>(value.data[3]) << 24;
        std::snprintf(text, sizeof text, "dword:%08x", number);
        return text;
    }
    if (value.type == RegType::String && !value.data.empty() && value.data.back() == 0 &&
        std::find(value.data.begin(), value.data.end() - 1, 0) == value.data.end() - 1)
        return quote(std::string(value.data.begin(), value.data.end() - 1));
    if (value.type == RegType::Binary)
        return "hex:" + hexList(value.data);
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
    return prefix + hexList(value.data);
}

std::optional<RegHive> loadHive(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return errno == ENOENT ? std::optional<RegHive>(RegHive{}) : std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return parseHive(text.str());
}

// Writes the whole hive beside the file, then renames it over the file: a program reading it
// meanwhile, or a crash, finds the old hive or the new one. The temporary file is created 0666
// less the umask, so a hive shared by a group stays writable for the group.
bool saveHive(const std::string& file, const RegHive& hive) {
    const size_t slash = file.rfind('/');
    if (slash != std::string::npos && createFolders(file.substr(0, slash)).failed())
        return false;
    AtomicFile out;
    out.open(file);
    out.write(formatHive(hive));
    return !out.commit().failed(); // the first failure since open()
}

bool canWrite(const std::string& file) {
    if (fileExists(file))
        return !isReadOnly(file) && ::access(file.c_str(), W_OK) == 0;
    return folderExists(file) ? false : true; // a folder in the file's place can never be written
}

} // namespace

bool LessIgnoringCase::operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
}

std::string hiveFilePath() {
    if (const char* path = std::getenv("RONVALO_REGISTRY"); path && *path)
        return path;
    if (!std::string_view(machineHive).empty())
        return machineHive;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        config = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        config = std::string(home) + "/.config";
    else
        config = ".config";
    return config + "/ronvalo/HKEY_LOCAL_MACHINE.reg";
}

RegHive parseHive(const std::string& text) {
    RegHive hive;
    RegKeyValues* key = nullptr;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';' || line == header)
            continue;
        if (line[0] == '[') {
            key = nullptr;
            if (line.back() == ']' && line.size() > 2)
                key = &hive[line.substr(1, line.size() - 2)];
            continue;
        }
        if (!key)
            continue;
        size_t pos = 0;
        std::optional<std::string> name;
        if (line[0] == '@') {
            name = "";
            pos = 1;
        } else {
            name = parseQuoted(line, pos);
        }
        if (!name || pos >= line.size() || line[pos] != '=')
            continue;
        if (auto value = parseData(line.substr(pos + 1)))
            (*key)[*name] = std::move(*value);
    }
    return hive;
}

std::string formatHive(const RegHive& hive) {
    std::string text = std::string(header) + "\r\n";
    for (const auto& [path, values] : hive) {
        text += "\r\n[" + path + "]\r\n";
        for (const auto& [name, value] : values)
            text +=
                (name.empty() ? std::string("@") : quote(name)) + "=" + formatValue(value) + "\r\n";
    }
    return text;
}

struct RegistryKey::Handle {
    std::string file;
    std::string key; // "HKEY_LOCAL_MACHINE\\..."
};

RegistryKey::RegistryKey(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
RegistryKey::~RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&&) noexcept = default;

std::optional<RegistryKey> RegistryKey::open(const std::string& subKey, bool create) {
    std::string path = subKey;
    while (!path.empty() && path.front() == '\\')
        path.erase(0, 1);
    path = rootName + "\\" + path;
    const std::string file = hiveFilePath();
    auto hive = loadHive(file);
    if (!hive || !canWrite(file))
        return std::nullopt;
    if (hive->find(path) == hive->end()) {
        if (!create)
            return std::nullopt;
        (*hive)[path];
        if (!saveHive(file, *hive))
            return std::nullopt;
    }
    return RegistryKey(std::make_unique<Handle>(Handle{file, path}));
}

bool RegistryKey::valueExists(const std::string& name) const {
    return query(name).has_value();
}

std::optional<RegValue> RegistryKey::query(const std::string& name) const {
    const auto hive = loadHive(handle_->file);
    if (!hive)
        return std::nullopt;
    const auto key = hive->find(handle_->key);
    if (key == hive->end())
        return std::nullopt;
    const auto value = key->second.find(name);
    if (value == key->second.end())
        return std::nullopt;
    return value->second;
}

bool RegistryKey::set(const std::string& name, const RegValue& value) {
    auto hive = loadHive(handle_->file);
    if (!hive)
        return false;
    (*hive)[handle_->key][name] = value;
    return saveHive(handle_->file, *hive);
}

// The hive file belongs to the user who runs the program; no other user shares it.
bool RegistryKey::allowEveryUserToReadAndWrite() {
    return true;
}

bool RegistryKey::remove(const std::string& name) {
    auto hive = loadHive(handle_->file);
    if (!hive)
        return false;
    (*hive)[handle_->key].erase(name);
    return saveHive(handle_->file, *hive);
}

} // namespace ronvalo::platform
