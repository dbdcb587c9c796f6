#pragma once
// The per-user store on QSettings("VarnHolt", "Gorvanta"): the registry key Software\VarnHolt\Gorvanta
// on Windows, an INI file under $XDG_CONFIG_HOME elsewhere.
#include <memory>

#include "ProfileStore.h"

class QSettings;

class CQtProfileStore : public IProfileStore {
public:
    CQtProfileStore();
    // For tests: a store on an INI file of its own.
    explicit CQtProfileStore(const char* iniPath);
    ~CQtProfileStore() override;

    std::optional<int32_t> ReadInt(const std::string& section, const std::string& name) override;
    bool WriteInt(const std::string& section, const std::string& name, int32_t value) override;
    std::optional<std::string> ReadString(const std::string& section, const std::string& name) override;
    bool WriteString(const std::string& section, const std::string& name, const std::string& value) override;
    bool CreateKey(const std::string& section, bool& createdNow) override;
    bool OpenKey(const std::string& section) override;
    bool EnumValues(const std::string& section, std::vector<std::pair<std::string, std::string>>& out) override;

    void Sync();
    QSettings& Settings() { return *m_pSettings; }

    // An INI group that holds no value does not survive, so a created key keeps this value; it is never
    // listed as one of the key's values.
    static constexpr const char* KEY_MARKER = ".gorvanta-key";

private:
    std::unique_ptr<QSettings> m_pSettings;
};
