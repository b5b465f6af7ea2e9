// The settings store on QSettings: the per-user configuration file of the organisation and
// application, one group per section.
#pragma once

#include "settings_store.h"

#include <QSettings>

class QtSettingsStore : public SettingsStore {
  public:
    QtSettingsStore(const QString &organization, const QString &application);

    std::string GetString(const std::string &section, const std::string &entry,
                          const std::string &defaultValue) const override;
    std::uint32_t GetUInt(const std::string &section, const std::string &entry,
                          std::uint32_t defaultValue) const override;
    void WriteString(const std::string &section, const std::string &entry,
                     const std::string &value) override;
    void WriteUInt(const std::string &section, const std::string &entry,
                   std::uint32_t value) override;

  private:
    QSettings m_settings;
};
