#pragma once
// The byte stream of document files: little-endian 32-bit integers and length-prefixed 8-bit strings.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// Every failure of reading a damaged document: the framework's "Unexpected file format.".
class CArchiveException : public std::runtime_error {
public:
    CArchiveException() : std::runtime_error("Unexpected file format.") {}
};

// Raised when the input ends before what was promised has been read, and for a count whose records,
// each at its smallest, would not fit in what is left.
class CArchiveEofException : public CArchiveException {};

// Raised for a count below zero, which no writer produces.
class CArchiveBadCountException : public CArchiveException {};

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

    // The next int32 without consuming it; throws like ReadInt32.
    int32_t PeekInt32() const;
    // Checks a count read from the input before anything is made for it: below zero throws
    // CArchiveBadCountException; `count` records of at least minRecordBytes each, followed by at least
    // afterBytes, that do not fit in what is left throw CArchiveEofException.
    void CheckCount(int32_t count, uint64_t minRecordBytes, uint64_t afterBytes = 0) const;

    size_t Position() const { return m_pos; }
    // Everything not yet read, which is then read.
    std::string_view TakeRest() {
        const std::string_view rest = m_in.substr(m_pos);
        m_pos = m_in.size();
        return rest;
    }
    size_t Remaining() const { return m_in.size() - m_pos; }

private:
    const char* Take(size_t n);  // throws when fewer than n bytes remain
    uint64_t ReadLength(bool& wide);

    Mode m_mode;
    std::string* m_pOut = nullptr;
    std::string_view m_in;
    size_t m_pos = 0;
};
