#pragma once
// The byte stream of document files: little-endian 32-bit integers and length-prefixed 8-bit strings.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// Raised when the input ends before what was promised has been read.
class CArchiveEofException : public std::runtime_error {
public:
    CArchiveEofException() : std::runtime_error("Unexpected file format.") {}
};

class CArchive {
public:
    enum Mode { store, load };

    // Storing archive: appends to the buffer.
    explicit CArchive(std::string& out) : m_mode(store), m_pOut(&out) {}
    // Loading archive over bytes that must outlive it.
    explicit CArchive(std::string_view in) : m_mode(load), m_in(in) {}

    bool IsStoring() const { return m_mode == store; }
    bool IsLoading() const { return m_mode == load; }

    void WriteInt32(int32_t v);
    void WriteString(std::string_view s);
    void WriteBytes(const void* p, size_t n);

    int32_t ReadInt32();
    uint16_t ReadUInt16();
    uint32_t ReadUInt32();
    uint8_t ReadByte();
    std::string ReadString();

    size_t Position() const { return m_pos; }
    size_t Remaining() const { return m_in.size() - m_pos; }

private:
    const char* Take(size_t n);  // throws when fewer than n bytes remain
    uint64_t ReadLength(bool& wide);

    Mode m_mode;
    std::string* m_pOut = nullptr;
    std::string_view m_in;
    size_t m_pos = 0;
};
