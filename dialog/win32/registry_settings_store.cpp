#include "registry_settings_store.h"

#include <windows.h>

#include <utility>

// Values of the wrong type count as absent, so that a hand-edited registry cannot feed a
// number in place of a path or the other way round; strings are read as they are stored,
// without expanding what looks like an environment variable.
constexpr DWORD kStringOnly = RRF_RT_REG_SZ | RRF_NOEXPAND;

RegistrySettingsStore::RegistrySettingsStore(std::string company, std::string application)
    : m_company(std::move(company)), m_application(std::move(application)) {}

std::string RegistrySettingsStore::KeyPath(const std::string &section) const {
    return "Software\\" + m_company + "\\" + m_application + "\\" + section;
}

std::string RegistrySettingsStore::GetString(const std::string &section, const std::string &entry,
                                             const std::string &defaultValue) const {
    const std::string key = KeyPath(section);
    DWORD size = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), entry.c_str(), kStringOnly, nullptr, nullptr,
                     &size) != ERROR_SUCCESS)
        return defaultValue;
    std::string text(size, '\0');
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), entry.c_str(), kStringOnly, nullptr,
                     text.data(), &size) != ERROR_SUCCESS)
        return defaultValue;
    // The text ends at its first zero, whether or not the stored size counts one.
    return text.substr(0, text.find('\0'));
}

// Only a value of exactly 32 bits is read.
std::uint32_t RegistrySettingsStore::GetUInt(const std::string &section, const std::string &entry,
                                             std::uint32_t defaultValue) const {
    DWORD value = 0;
    DWORD size = sizeof value;
    return RegGetValueA(HKEY_CURRENT_USER, KeyPath(section).c_str(), entry.c_str(),
                        RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS
               ? value
               : defaultValue;
}

void RegistrySettingsStore::WriteString(const std::string &section, const std::string &entry,
                                        const std::string &value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, KeyPath(section).c_str(), entry.c_str(), REG_SZ,
                    value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void RegistrySettingsStore::WriteUInt(const std::string &section, const std::string &entry,
                                      std::uint32_t value) {
    DWORD number = value;
    RegSetKeyValueA(HKEY_CURRENT_USER, KeyPath(section).c_str(), entry.c_str(), REG_DWORD, &number,
                    sizeof number);
}

std::string ExecutableName() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length);
    name = name.substr(name.find_last_of("\\/") + 1);
    return name.substr(0, name.rfind('.'));
}
