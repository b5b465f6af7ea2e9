// The settings store in the registry of the current user, under
// HKEY_CURRENT_USER\Software\<company>\<application>\<section>.
#pragma once

#include "settings_store.h"

#include <string>

class RegistrySettingsStore : public SettingsStore {
  public:
    RegistrySettingsStore(std::string company, std::string application);

    std::string GetString(const std::string &section, const std::string &entry,
                          const std::string &defaultValue) const override;
    std::uint32_t GetUInt(const std::string &section, const std::string &entry,
                          std::uint32_t defaultValue) const override;
    void WriteString(const std::string &section, const std::string &entry,
                     const std::string &value) override;
    void WriteUInt(const std::string &section, const std::string &entry,
                   std::uint32_t value) override;

  private:
    std::string KeyPath(const std::string &section) const;

    std::string m_company;
    std::string m_application;
};

// The application's name as the settings know it: the executable's file name without folder
// and extension.
std::string ExecutableName();
