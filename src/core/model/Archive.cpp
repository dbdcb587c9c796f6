#include "Archive.h"

#include "Cp1252.h"

void CArchive::WriteBytes(const void* p, size_t n) { m_pOut->append(static_cast<const char*>(p), n); }

void CArchive::WriteInt32(int32_t v) {
    uint32_t u = uint32_t(v);
    char b[4] = {char(u & 0xFF), char((u >> 8) & 0xFF), char((u >> 16) & 0xFF), char((u >> 24) & 0xFF)};
    WriteBytes(b, 4);
}

void CArchive::WriteString(std::string_view s) {
    size_t n = s.size();
    if (n < 255) {
        char b = char(n);
        WriteBytes(&b, 1);
    } else if (n < 0xFFFE) {
        char b[3] = {char(0xFF), char(n & 0xFF), char((n >> 8) & 0xFF)};
        WriteBytes(b, 3);
    } else {
        char b[3] = {char(0xFF), char(0xFF), char(0xFF)};
        WriteBytes(b, 3);
        WriteInt32(int32_t(uint32_t(n)));
    }
    WriteBytes(s.data(), n);
}

const char* CArchive::Take(size_t n) {
    if (n > Remaining()) throw CArchiveEofException();
    const char* p = m_in.data() + m_pos;
    m_pos += n;
    return p;
}

uint8_t CArchive::ReadByte() { return uint8_t(*Take(1)); }

uint16_t CArchive::ReadUInt16() {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(Take(2));
    return uint16_t(p[0] | (p[1] << 8));
}

uint32_t CArchive::ReadUInt32() {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(Take(4));
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

int32_t CArchive::ReadInt32() { return int32_t(ReadUInt32()); }

int32_t CArchive::PeekInt32() const {
    CArchive copy = *this;
    return copy.ReadInt32();
}

void CArchive::CheckCount(int32_t count, uint64_t minRecordBytes, uint64_t afterBytes) const {
    if (count < 0) throw CArchiveBadCountException();
    const uint64_t left = Remaining();
    if (afterBytes > left) throw CArchiveEofException();
    if (minRecordBytes != 0 && uint64_t(count) > (left - afterBytes) / minRecordBytes) throw CArchiveEofException();
}

uint64_t CArchive::ReadLength(bool& wide) {
    uint8_t b = ReadByte();
    if (b < 0xFF) return b;
    uint16_t w = ReadUInt16();
    if (w == 0xFFFE) {
        // Wide string: its length follows in the same forms; a second 0xFFFE there is a plain length.
        wide = true;
        b = ReadByte();
        if (b < 0xFF) return b;
        w = ReadUInt16();
    }
    if (w == 0xFFFF) return ReadUInt32();
    return w;
}

std::string CArchive::ReadString() {
    bool wide = false;
    uint64_t n = ReadLength(wide);
    if (!wide) {
        // Take() checks the length against what is left before anything is allocated.
        const char* p = Take(size_t(n));
        return std::string(p, size_t(n));
    }
    if (n > Remaining() / 2) throw CArchiveEofException();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(Take(size_t(n) * 2));
    std::u16string u(size_t(n), u'\0');
    for (size_t i = 0; i < n; ++i) u[i] = char16_t(p[2 * i] | (p[2 * i + 1] << 8));
    return Utf16ToCp1252(u);
}
