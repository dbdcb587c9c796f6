#include "JsonWriter.h"

#include "core/model/Cp1252.h"

void CJsonWriter::Open(char open, char close, Layout layout) {
    BeginMember();
    m_out += open;
    m_levels.push_back({close, layout == Lines, m_lineIndent, true});
}

void CJsonWriter::End() {
    const CLevel level = m_levels.back();
    m_levels.pop_back();
    if (level.lines && !level.empty) {
        m_out += '\n';
        m_out.append(size_t(level.indent), ' ');
        m_lineIndent = level.indent;
    }
    m_out += level.close;
}

CJsonWriter& CJsonWriter::Key(const std::string& key) {
    BeginMember();
    Quote(key);
    m_out += ": ";
    m_afterKey = true;
    return *this;
}

void CJsonWriter::Number(int64_t value) {
    BeginMember();
    m_out += std::to_string(value);
}

void CJsonWriter::Null() {
    BeginMember();
    m_out += "null";
}

void CJsonWriter::Digits(const std::string& decimal) {
    BeginMember();
    m_out += decimal;
}

void CJsonWriter::String(const std::string& cp1252) {
    BeginMember();
    Quote(cp1252);
}

void CJsonWriter::Spill() {
    if (!m_failed && std::fwrite(m_out.data(), 1, m_out.size(), m_stream) != m_out.size()) m_failed = true;
    m_out.clear();
}

bool CJsonWriter::FinishStream() {
    m_out += '\n';
    Spill();
    return std::fflush(m_stream) == 0 && !m_failed;
}

// The separator before a key, or before a value that has no key.
void CJsonWriter::BeginMember() {
    if (m_stream && m_out.size() >= 65536) Spill();
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_levels.empty()) return;
    CLevel& level = m_levels.back();
    if (!level.empty) m_out += ',';
    if (level.lines) {
        m_lineIndent = level.indent + 2;
        m_out += '\n';
        m_out.append(size_t(m_lineIndent), ' ');
    } else if (!level.empty) {
        m_out += ' ';
    }
    level.empty = false;
}

void CJsonWriter::Quote(const std::string& cp1252) {
    static const char* const kHex = "0123456789abcdef";
    m_out += '"';
    for (unsigned char c : Cp1252ToUtf8(cp1252)) {
        switch (c) {
            case '"': m_out += "\\\""; break;
            case '\\': m_out += "\\\\"; break;
            case '\n': m_out += "\\n"; break;
            case '\r': m_out += "\\r"; break;
            case '\t': m_out += "\\t"; break;
            default:
                if (c < 0x20) {
                    m_out += "\\u00";
                    m_out += kHex[c >> 4];
                    m_out += kHex[c & 15];
                } else {
                    m_out += char(c);
                }
        }
    }
    m_out += '"';
}
