// A damaged or hostile ".gva" file: reading must end in a document or an end-of-file failure, and what
// was read is freed either way. A document that was read back is written and read again identically.
#include <cstddef>
#include <cstdint>
#include <string>

#include "document/GorvantaDoc.h"
#include "model/Archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::string first;
    {
        CGorvantaDoc doc;
        CArchive ar(in);
        try {
            doc.Serialize(ar);
        } catch (const CArchiveEofException&) {
            doc.FreeContents();
            return 0;
        }
        CArchive out(first);
        doc.Serialize(out);
        doc.FreeContents();
    }
    CGorvantaDoc again;
    CArchive ar2{std::string_view(first)};
    again.Serialize(ar2);
    std::string second;
    CArchive out2(second);
    again.Serialize(out2);
    if (first != second) __builtin_trap();
    again.FreeContents();
    return 0;
}
