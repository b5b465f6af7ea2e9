// The per-user settings store, addressed by section and value name under the company and
// application the store was opened for. Absent values give the caller's default; the results
// of writing are not reported.
#pragma once

#include <cstdint>
#include <string>

// The company key that the program opens its store under, with its own name below it.
inline constexpr const char *kRegistryKey = "Korvane Inc.";

// Named apart from the Win32 profile functions, which windows.h turns into macros.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    virtual std::string GetString(const std::string &section, const std::string &entry,
                                  const std::string &defaultValue) const = 0;
    virtual std::uint32_t GetUInt(const std::string &section, const std::string &entry,
                                  std::uint32_t defaultValue) const = 0;
    virtual void WriteString(const std::string &section, const std::string &entry,
                             const std::string &value) = 0;
    virtual void WriteUInt(const std::string &section, const std::string &entry,
                           std::uint32_t value) = 0;
};
