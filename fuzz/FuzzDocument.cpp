// A damaged or hostile ".gva" file: reading must end in a document or in the "Unexpected file format."
// failure, and what was read is freed either way. A count below zero is always that failure; a document
// that was read holds no more records than its bytes can carry at their smallest. A document that was read
// back is written and read again identically, without a message. The same bytes through the file loader
// give the same result. Whatever follows the records is read as blocks: one message for each kind of damage
// (marks, plan) or else one for blocks kept, never two pins in one list, a plan only with trimmed distinct
// names; what is not read is kept byte for byte, and reading the document's own bytes again keeps the same,
// reads the same plan and says the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "core/document/Assignment.h"
#include "core/document/DocFile.h"
#include "core/document/GorvantaDoc.h"
#include "core/model/Archive.h"
#include "core/model/MessageBox.h"

namespace {
int32_t Int32At(std::string_view in, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(in[at + size_t(i)]);
    return int32_t(v);
}

// Loads the bytes through LoadDocumentFile from an in-memory file.
LoadStatus LoadThroughFile(std::string_view in) {
    static const int fd = ::memfd_create("fuzz.gva", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, in.data(), in.size(), 0) != ssize_t(in.size()))
        __builtin_trap();
    CGorvantaDoc doc;
    return LoadDocumentFile(doc, path).status;
}

// The marks of a document that was read are well formed: one pin per list at most.
bool MarksHold(const CGorvantaDoc& doc) {
    for (const PoolList& list : doc.m_arrPool) {
        int pins = 0;
        for (const CArmorPiece* p : list) {
            if (p->m_nMark > PieceMark::Pinned) return false;
            pins += p->m_nMark == PieceMark::Pinned;
        }
        if (pins > 1) return false;
    }
    return true;
}

// A plan that was read has what a writer gives it: targets with trimmed, distinct names.
bool PlanHolds(const CPlan& plan) {
    for (size_t t = 0; t < plan.m_arrTargets.size(); ++t) {
        const std::vector<CPlanTarget> earlier(plan.m_arrTargets.begin(), plan.m_arrTargets.begin() + long(t));
        const std::string& name = plan.m_arrTargets[t].m_strName;
        if (name != TrimName(name) || TargetNameFaultOf(earlier, name) != TargetNameFault::None) return false;
    }
    return true;
}

CScriptedMessageBox& Box() {
    static CScriptedMessageBox box;
    return box;
}

std::vector<std::string> ShownTexts() {
    std::vector<std::string> texts;
    for (const auto& shown : Box().shown) texts.push_back(shown.text);
    return texts;
}

// What reading the document must have said about its blocks, in order.
std::vector<std::string> BlockMessages(const CGorvantaDoc& doc) {
    std::vector<std::string> texts;
    if (doc.HasDamagedMarksBlock()) texts.push_back(MSG_MARKS_UNREADABLE);
    if (doc.HasDamagedPlanBlock()) texts.push_back(MSG_PLAN_UNREADABLE);
    if (texts.empty() && !doc.KeptBlocks().empty()) texts.push_back(MSG_BLOCKS_KEPT);
    return texts;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    bool negative = false;
    if (size >= 60 && Int32At(in, 0) == DOC_MAGIC)
        for (size_t at = 4; at < 60; at += 4) negative = negative || Int32At(in, at) < 0;

    CScriptedMessageBox& box = Box();
    static CMessageBoxScope scope(&box);
    box.shown.clear();
    std::string first;
    bool failed = false;
    size_t keptBefore = 0;
    std::vector<std::string> messages;
    CPlan plan;
    {
        CGorvantaDoc doc;
        CArchive ar(in);
        try {
            doc.Serialize(ar);
        } catch (const CArchiveBadCountException&) {
            failed = true;
        } catch (const CArchiveEofException&) {
            if (negative) __builtin_trap();  // a count below zero is caught before the data runs out
            failed = true;
        }
        if (!failed) {
            if (negative) __builtin_trap();
            uint64_t pieces = uint64_t(doc.GetPoolCount());
            for (const CArmorSuit* s : doc.m_arrSuits) pieces += s->m_arrPieces.size();
            if (pieces * 4 + doc.m_arrSuits.size() * 6 + doc.m_arrCharacters.size() > size) __builtin_trap();
            if (!MarksHold(doc) || !PlanHolds(doc.m_plan)) __builtin_trap();
            // Kept blocks say so once: damaged marks and a damaged plan each once, other blocks once when
            // nothing is damaged. A wrong magic has said its own message.
            const std::vector<std::string> about = BlockMessages(doc);
            if (ShownTexts() != about && !(about.empty() && box.shown.size() == 1 &&
                                           box.shown[0].text == MSG_ARCHIVE_NOT_RECOGNIZED))
                __builtin_trap();
            if (about.empty() != doc.KeptBlocks().empty()) __builtin_trap();
            messages = about;
            // What was kept is what followed the last record that was read, in its own bytes.
            for (const CKeptBlock& kept : doc.KeptBlocks())
                if (kept.bytes.empty() || in.find(kept.bytes) == std::string_view::npos) __builtin_trap();
            keptBefore = doc.KeptBlocks().size();
            plan = doc.m_plan;
            CArchive out(first);
            doc.Serialize(out);
        }
        doc.FreeContents();
    }
    // A zero-length file is an empty document; any other bytes end as they did above.
    const LoadStatus status = LoadThroughFile(in);
    if (size != 0 && failed != (status == LoadStatus::UnexpectedFormat)) __builtin_trap();
    if (failed) return 0;

    box.shown.clear();
    CGorvantaDoc again;
    CArchive ar2{std::string_view(first)};
    again.Serialize(ar2);
    if (ShownTexts() != messages || again.KeptBlocks().size() != keptBefore || again.m_plan != plan) __builtin_trap();
    std::string second;
    CArchive out2(second);
    again.Serialize(out2);
    if (first != second) __builtin_trap();
    again.FreeContents();
    return 0;
}
