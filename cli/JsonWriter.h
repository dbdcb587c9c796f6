#pragma once
// gorvanta-cli's one JSON writer. Keys stay in the order they are written (QJsonObject would sort them)
// and the layout is fixed, so that scripts reading the output see the same bytes from one version to the next.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class CJsonWriter {
public:
    // Lines: each member on a line of its own, two spaces deeper than the line the container opened on.
    // Inline: members on one line, separated by ", ". An empty container is "{}" or "[]" either way.
    enum Layout { Inline, Lines };

    CJsonWriter() = default;
    // Writes to `out` as it goes, a buffer at a time, so that a large document is never held as a whole.
    explicit CJsonWriter(std::FILE* out) : m_stream(out) {}

    void BeginObject(Layout layout = Inline) { Open('{', '}', layout); }
    void BeginArray(Layout layout = Inline) { Open('[', ']', layout); }
    void End();
    // The next member's key: json.Key("name").String(name).
    CJsonWriter& Key(const std::string& key);
    void Number(int64_t value);
    void Null();
    // A whole number of any size, as its decimal digits.
    void Digits(const std::string& decimal);
    // 8-bit text, written in UTF-8.
    void String(const std::string& cp1252);
    // The document, ended by a line break. Every container must have been closed.
    std::string Finish() const { return m_out + "\n"; }
    // The same for a writer on a stream: writes the rest and flushes; false when any write failed.
    bool FinishStream();

private:
    struct CLevel {
        char close;
        bool lines;
        int indent;  // of the line the container opened on
        bool empty;
    };
    void Open(char open, char close, Layout layout);
    void BeginMember();
    void Quote(const std::string& cp1252);
    void Spill();

    std::vector<CLevel> m_levels;
    std::string m_out;
    int m_lineIndent = 0;
    bool m_afterKey = false;
    std::FILE* m_stream = nullptr;
    bool m_failed = false;
};
