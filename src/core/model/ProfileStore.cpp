#include "ProfileStore.h"

#include <algorithm>
#include <cctype>

namespace {
// Registry paths compare without regard to case.
std::string Norm(const std::string& s) {
    std::string r = s;
    std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return r;
}
IProfileStore* g_pStore = nullptr;
}  // namespace

IProfileStore& TheProfileStore() {
    static CMemoryProfileStore fallback;
    return g_pStore ? *g_pStore : fallback;
}

void SetProfileStore(IProfileStore* store) { g_pStore = store; }

CMemoryProfileStore::Value* CMemoryProfileStore::Find(const std::string& section, const std::string& name) {
    auto it = m_keys.find(Norm(section));
    if (it == m_keys.end()) return nullptr;
    std::string n = Norm(name);
    for (auto& v : it->second.values)
        if (Norm(v.name) == n) return &v;
    return nullptr;
}

CMemoryProfileStore::Value& CMemoryProfileStore::Put(const std::string& section, const std::string& name) {
    if (Value* v = Find(section, name)) return *v;
    auto& key = m_keys[Norm(section)];
    Value v;
    v.name = name;
    key.values.push_back(v);
    return key.values.back();
}

std::optional<int32_t> CMemoryProfileStore::ReadInt(const std::string& section, const std::string& name) {
    Value* v = Find(section, name);
    if (!v || !v->isInt) return std::nullopt;
    return v->n;
}

bool CMemoryProfileStore::WriteInt(const std::string& section, const std::string& name, int32_t value) {
    if (failWrites) return false;
    Value& v = Put(section, name);
    v.isInt = true;
    v.n = value;
    v.str.clear();
    ++m_nWrites;
    return true;
}

std::optional<std::string> CMemoryProfileStore::ReadString(const std::string& section, const std::string& name) {
    Value* v = Find(section, name);
    if (!v) return std::nullopt;
    return v->isInt ? std::to_string(v->n) : v->str;
}

bool CMemoryProfileStore::WriteString(const std::string& section, const std::string& name, const std::string& value) {
    if (failWrites) return false;
    Value& v = Put(section, name);
    v.isInt = false;
    v.str = value;
    ++m_nWrites;
    return true;
}

bool CMemoryProfileStore::CreateKey(const std::string& section, bool& createdNow) {
    createdNow = false;
    if (OpenKey(section)) return true;
    if (failCreate || failWrites) return false;
    m_keys.try_emplace(Norm(section));
    createdNow = true;
    return true;
}

bool CMemoryProfileStore::OpenKey(const std::string& section) { return m_keys.count(Norm(section)) != 0; }

bool CMemoryProfileStore::EnumValues(const std::string& section,
                                     std::vector<std::pair<std::string, std::string>>& out) {
    out.clear();
    auto it = m_keys.find(Norm(section));
    if (it == m_keys.end()) return false;
    for (auto& v : it->second.values) out.emplace_back(v.name, v.isInt ? std::to_string(v.n) : v.str);
    return true;
}

bool CMemoryProfileStore::DeleteKey(const std::string& section) {
    if (failWrites) return false;
    m_keys.erase(Norm(section));
    return true;
}

void CMemoryProfileStore::DeleteValues(const std::string& section) {
    auto it = m_keys.find(Norm(section));
    if (it != m_keys.end()) it->second.values.clear();
}
