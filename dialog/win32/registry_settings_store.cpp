#include "registry_settings_store.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace {

// A value of the wrong type counts as absent, so that a hand-edited registry cannot feed a
// number in place of a path or the other way round.
bool QueryValue(const std::string &keyPath, const std::string &entry, DWORD expectedType,
                std::vector<BYTE> &data) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, entry.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS && type == expectedType) {
        data.resize(size);
        status = RegQueryValueExA(key, entry.c_str(), nullptr, &type, data.data(), &size);
        data.resize(size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == expectedType;
}

} // namespace

RegistrySettingsStore::RegistrySettingsStore(std::string company, std::string application)
    : m_company(std::move(company)), m_application(std::move(application)) {}

std::string RegistrySettingsStore::KeyPath(const std::string &section) const {
    return "Software\\" + m_company + "\\" + m_application + "\\" + section;
}

std::string RegistrySettingsStore::GetString(const std::string &section, const std::string &entry,
                                             const std::string &defaultValue) const {
    std::vector<BYTE> data;
    if (!QueryValue(KeyPath(section), entry, REG_SZ, data))
        return defaultValue;
    std::string text(data.begin(), data.end());
    // The stored size may or may not count the terminating zero.
    return text.substr(0, text.find('\0'));
}

std::uint32_t RegistrySettingsStore::GetUInt(const std::string &section, const std::string &entry,
                                             std::uint32_t defaultValue) const {
    std::vector<BYTE> data;
    if (!QueryValue(KeyPath(section), entry, REG_DWORD, data) || data.size() != sizeof(DWORD))
        return defaultValue;
    return *reinterpret_cast<const DWORD *>(data.data());
}

void RegistrySettingsStore::WriteString(const std::string &section, const std::string &entry,
                                        const std::string &value) {
    Write(section, entry, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void RegistrySettingsStore::WriteUInt(const std::string &section, const std::string &entry,
                                      std::uint32_t value) {
    DWORD number = value;
    Write(section, entry, REG_DWORD, &number, sizeof number);
}

void RegistrySettingsStore::Write(const std::string &section, const std::string &entry,
                                  unsigned long type, const void *data, unsigned long size) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, entry.c_str(), 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(key);
}

std::string ExecutableName() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length);
    name = name.substr(name.find_last_of("\\/") + 1);
    return name.substr(0, name.rfind('.'));
}
