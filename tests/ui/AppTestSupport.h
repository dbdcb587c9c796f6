#pragma once
// Helpers for the window program's tests: a clean per-user store, an application object whose
// file dialogs are answered by the test, and documents with pieces and suits.
#include <QApplication>
#include <QCoreApplication>
#include <QSettings>
#include <QString>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "document/DocFile.h"
#include "document/GorvantaDoc.h"
#include "model/ArmorPiece.h"
#include "model/ArmorSuit.h"
#include "model/QtProfileStore.h"
#include "ui/GorvantaApp.h"

namespace apptest {

// Empties the test's store (the INI file under the test's XDG_CONFIG_HOME).
inline void ClearStore() {
    QSettings settings(QStringLiteral("VarnHolt"), QStringLiteral("Gorvanta"));
    settings.clear();
    settings.sync();
}

inline void StoreInt(const char* section, const char* name, int value) {
    CQtProfileStore store;
    store.WriteInt(section, name, value);
    store.Sync();
}

inline std::optional<int32_t> StoredInt(const char* section, const char* name) {
    CQtProfileStore store;
    return store.ReadInt(section, name);
}

inline std::optional<std::string> StoredString(const char* section, const char* name) {
    CQtProfileStore store;
    return store.ReadString(section, name);
}

// Lets the windows that were closed go away.
inline void ProcessDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// File dialogs answered from a queue: an empty entry cancels.
class CTestApp : public CGorvantaApp {
public:
    bool DoPromptFileName(QString& fileName, bool open) override {
        prompts.push_back({fileName, open});
        if (answers.empty()) return false;
        const QString answer = answers.front();
        answers.erase(answers.begin());
        if (answer.isEmpty()) return false;
        fileName = answer;
        return true;
    }
    struct Prompt {
        QString proposed;
        bool open;
    };
    std::vector<QString> answers;
    std::vector<Prompt> prompts;
};

// A piece read from a line of item text, as the import makes it.
inline CArmorPiece* ParsedPiece(const std::string& line) {
    auto* p = new CArmorPiece;
    p->ParseText(line);
    return p;
}

// Adds the piece to its pool list; returns it.
inline CArmorPiece* AddToPool(CGorvantaDoc& doc, CArmorPiece* piece) {
    doc.PoolListFor(piece->m_nType)->push_back(piece);
    return piece;
}

inline CArmorSuit* AddSuit(CGorvantaDoc& doc, const std::string& character, const std::vector<std::string>& lines) {
    auto* suit = new CArmorSuit;
    suit->m_strCharacter = character;
    suit->m_strName = "Suit 00000";
    for (const std::string& line : lines) suit->AddPiece(ParsedPiece(line));
    suit->CalcTotals();
    doc.m_arrSuits.push_back(suit);
    doc.m_arrCharacters.push_back(character);
    return suit;
}

// Two suits of three pieces each.
inline void AddTwoSuits(CGorvantaDoc& doc) {
    AddSuit(doc, "Varn", {"platemail helm, physical resist 8%, fire resist 5%", "platemail gorget, cold resist 7%",
                          "platemail gloves, poison resist 9%, energy resist 3%"});
    AddSuit(doc, "Holt", {"leather cap, luck 40 , fire resist 6%", "gold ring, lower reagent cost 10%",
                          "studded tunic, physical resist 12%, energy resist 8%"});
}

// A pool of eight pieces of five types.
inline std::vector<std::string> PoolLines() {
    return {"platemail gloves, poison resist 20%, physical resist 10%, energy resist 16%",
            "ringmail gloves, lower reagent cost 8%, cold resist 13%",
            "gold ring, fire resist 8%, lower reagent cost 5%, hit chance increase 5%",
            "silver ring, energy resist 12%, lower mana cost 4%",
            "leather tunic, luck 40 , fire resist 18%, cold resist 14%",
            "close helmet, physical resist 9%, fire resist 4%",
            "bone helmet, cold resist 11%, luck 60 ",
            "platemail gorget, energy resist 7%, mana regeneration 2 "};
}

inline void AddPool(CGorvantaDoc& doc) {
    for (const std::string& line : PoolLines()) AddToPool(doc, ParsedPiece(line));
}

// Writes a document with the pool and the two suits to path.
inline bool WriteSampleFile(const QString& path) {
    CGorvantaDoc doc;
    AddPool(doc);
    AddTwoSuits(doc);
    return SaveDocumentFile(doc, path.toStdString());
}

}  // namespace apptest
