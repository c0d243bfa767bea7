#include "app/settings.h"

SettingsFile& Settings() {
    static SettingsFile settings;
    return settings;
}

bool OpenSettings(const std::string&) { return false; }
void CreateSettings(const std::string&) {}
void WriteSettingNumber(const std::string&, double) {}
void CloseSettings() {}
