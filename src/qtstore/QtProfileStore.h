#pragma once
// The per-user store on QSettings("VarnHolt", "Gorvanta"): the registry key Software\VarnHolt\Gorvanta
// on Windows, an INI file under $XDG_CONFIG_HOME elsewhere.
#include <memory>
#include <string>

#include "core/model/ProfileStore.h"

class QSettings;

class CQtProfileStore : public IProfileStore {
public:
    // A settings file that is there but is no regular file (a FIFO would hang the first read, a device
    // never end) is not touched: the store then lives in memory for this run, or, when it is one of the
    // organisation's or the system's fallback files, the user's own file is used without the fallbacks.
    // Problem() says so.
    CQtProfileStore();
    // Read only: the store's values are read once, and every change (the name tables' first defaults among
    // them) is kept in memory for this run, so that reads see it while the file is neither made nor written.
    enum class Access { ReadWrite, ReadOnly };
    explicit CQtProfileStore(Access access);
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
    bool DeleteKey(const std::string& section) override;

    // Why a settings file is not used, as a sentence for the user (file names in the file system's
    // bytes); empty when every file is usable.
    const std::string& Problem() const { return m_problem; }

    void Sync();
    QSettings& Settings() { return *m_pSettings; }

    // An INI group that holds no value does not survive, so a created key keeps this value; it is never
    // listed as one of the key's values.
    static constexpr const char* KEY_MARKER = ".gorvanta-key";

private:
    void OpenUserStore();

    std::unique_ptr<QSettings> m_pSettings;
    std::string m_problem;
};
