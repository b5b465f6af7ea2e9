#include "qt_settings_store.h"

namespace {

QString settingKey(const std::string &section, const std::string &entry) {
    return QString::fromStdString(section + '/' + entry);
}

} // namespace

QtSettingsStore::QtSettingsStore(const QString &organization, const QString &application)
    : m_settings(organization, application) {}

std::string QtSettingsStore::GetString(const std::string &section, const std::string &entry,
                                       const std::string &defaultValue) const {
    const QVariant value = m_settings.value(settingKey(section, entry));
    return value.isValid() ? value.toString().toStdString() : defaultValue;
}

// A value that is not a 32-bit unsigned number counts as absent.
std::uint32_t QtSettingsStore::GetUInt(const std::string &section, const std::string &entry,
                                       std::uint32_t defaultValue) const {
    bool isNumber = false;
    const uint value = m_settings.value(settingKey(section, entry)).toUInt(&isNumber);
    return isNumber ? value : defaultValue;
}

void QtSettingsStore::WriteString(const std::string &section, const std::string &entry,
                                  const std::string &value) {
    m_settings.setValue(settingKey(section, entry), QString::fromStdString(value));
}

void QtSettingsStore::WriteUInt(const std::string &section, const std::string &entry,
                                std::uint32_t value) {
    m_settings.setValue(settingKey(section, entry), value);
}
