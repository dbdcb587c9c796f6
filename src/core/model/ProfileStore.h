#pragma once
// The per-user store: sections (keys) holding signed 32-bit integer values and string values.
// Section names use '\\' between levels, as in "PieceDefs\\Headwear".
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class IProfileStore {
public:
    virtual ~IProfileStore() = default;

    virtual std::optional<int32_t> ReadInt(const std::string& section, const std::string& name) = 0;
    virtual bool WriteInt(const std::string& section, const std::string& name, int32_t value) = 0;
    virtual std::optional<std::string> ReadString(const std::string& section, const std::string& name) = 0;
    virtual bool WriteString(const std::string& section, const std::string& name, const std::string& value) = 0;

    // Creates the key if it is missing. Returns false when the key can be neither opened nor created;
    // otherwise sets createdNow to whether this call created it. An existing empty key is existing.
    virtual bool CreateKey(const std::string& section, bool& createdNow) = 0;
    // Whether the key exists (an empty key exists once created).
    virtual bool OpenKey(const std::string& section) = 0;
    // The key's values in the store's order, as (name, text of the data). False if the key cannot be opened.
    virtual bool EnumValues(const std::string& section, std::vector<std::pair<std::string, std::string>>& out) = 0;
    // Removes the key with its values; false if the store cannot.
    virtual bool DeleteKey(const std::string& section) { return (void)section, false; }

    // Integer read with a default for missing or unreadable values.
    int32_t GetInt(const std::string& section, const std::string& name, int32_t def) {
        auto v = ReadInt(section, name);
        return v ? *v : def;
    }
};

// In-memory store for tests and for programs that run without a persistent store.
class CMemoryProfileStore : public IProfileStore {
public:
    struct Value {
        std::string name;
        bool isInt = false;
        int32_t n = 0;
        std::string str;
    };
    struct Key {
        std::vector<Value> values;  // enumeration order = insertion order
    };

    std::optional<int32_t> ReadInt(const std::string& section, const std::string& name) override;
    bool WriteInt(const std::string& section, const std::string& name, int32_t value) override;
    std::optional<std::string> ReadString(const std::string& section, const std::string& name) override;
    bool WriteString(const std::string& section, const std::string& name, const std::string& value) override;
    bool CreateKey(const std::string& section, bool& createdNow) override;
    bool OpenKey(const std::string& section) override;
    bool EnumValues(const std::string& section, std::vector<std::pair<std::string, std::string>>& out) override;
    bool DeleteKey(const std::string& section) override;

    // Test hooks. failWrites refuses every change (values, new keys, removals); failCreate new keys only.
    void DeleteValues(const std::string& section);
    bool failWrites = false;
    bool failCreate = false;
    size_t WriteCount() const { return m_nWrites; }
    std::map<std::string, Key>& Keys() { return m_keys; }

private:
    Value* Find(const std::string& section, const std::string& name);
    Value& Put(const std::string& section, const std::string& name);
    std::map<std::string, Key> m_keys;  // key names compare case-insensitively through Norm()
    size_t m_nWrites = 0;
};

// The process-wide store. Without SetProfileStore, an in-memory store is used.
IProfileStore& TheProfileStore();
void SetProfileStore(IProfileStore* store);
