// The desktop entry, the MIME type and the icons installed for the file manager.
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <map>

#include "core/document/DocFile.h"
#include "gui/resources/Icons.h"
#include "gui/resources/Resource.h"
#include "gui/resources/StringTable.h"

namespace {
QString Resource(const char* name) { return QStringLiteral(GORVANTA_RESOURCES_DIR "/") + QLatin1String(name); }

std::map<QString, QString> DesktopEntry() {
    std::map<QString, QString> keys;
    QFile f(Resource("gorvanta.desktop"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return keys;
    bool inEntry = false;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inEntry && eq > 0) keys[line.left(eq)] = line.mid(eq + 1);
    }
    return keys;
}

bool HasVisiblePixels(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) return true;
    return false;
}
}  // namespace

class DesktopFilesTest : public QObject {
    Q_OBJECT
private slots:
    void desktopEntryOpensGvaFiles() {
        auto keys = DesktopEntry();
        QCOMPARE(keys[QStringLiteral("Type")], QStringLiteral("Application"));
        QCOMPARE(keys[QStringLiteral("Name")], QStringLiteral("Gorvanta"));
        // One file on the command line, as the program takes it.
        QCOMPARE(keys[QStringLiteral("Exec")], QStringLiteral("gorvanta %f"));
        QCOMPARE(keys[QStringLiteral("Icon")], QStringLiteral("gorvanta"));
        QCOMPARE(keys[QStringLiteral("MimeType")], QStringLiteral("application/x-gorvanta;"));
    }
    void mimeTypeNamesTheDocumentType() {
        QFile f(Resource("gorvanta-mime.xml"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&f);
        QString type, comment, glob;
        QStringList magic;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) continue;
            auto attribute = [&](const char* name) { return xml.attributes().value(QLatin1String(name)).toString(); };
            if (xml.name() == QLatin1String("mime-type")) type = attribute("type");
            if (xml.name() == QLatin1String("comment")) comment = xml.readElementText();
            if (xml.name() == QLatin1String("glob")) glob = attribute("pattern");
            if (xml.name() == QLatin1String("match"))
                magic = {attribute("type"), attribute("value"), attribute("offset")};
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(type, QStringLiteral("application/x-gorvanta"));
        // The type's description and extension are those of the document string.
        QCOMPARE(comment.toStdString(), GetDocString(DocString::RegFileTypeName));
        QCOMPARE(glob.toStdString(), "*" + GetDocString(DocString::FilterExt));
        // The magic rule matches what every saved document begins with.
        QCOMPARE(magic, (QStringList{"little32", QString::number(DOC_MAGIC), "0"}));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("empty.gva"));
        CGorvantaDoc doc;
        QVERIFY(SaveDocumentFile(doc, path.toStdString()));
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.read(4), QByteArray("\x30\x75\x00\x00", 4));
    }
    void iconsAreWellFormedAndDrawn() {
        for (const char* name : {"gorvanta.svg", "application-x-gorvanta.svg"}) {
            QFile f(Resource(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QXmlStreamReader xml(&f);
            while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) {
            }
            QCOMPARE(xml.name().toString(), QStringLiteral("svg"));
            while (!xml.atEnd()) xml.readNext();
            QVERIFY2(!xml.hasError(), name);
        }
        for (int size : {16, 32, 48, 256}) {
            QCOMPARE(AppIconPixmap(size).size(), QSize(size, size));
            QVERIFY(HasVisiblePixels(AppIconPixmap(size).toImage()));
            QVERIFY(HasVisiblePixels(DocIconPixmap(size).toImage()));
        }
        // Every toolbar command has a picture.
        for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_VIEW_ALWAYS_ON_TOP, ID_CALC_START, ID_CALC_STOP,
                       ID_CALC_PLAN, ID_EDIT_PASTE, ID_APP_ABOUT})
            QVERIFY(HasVisiblePixels(CommandIcon(id).pixmap(16, 16).toImage()));
        QVERIFY(CommandIcon(ID_FILE_CLOSE).isNull());
    }
};

QTEST_MAIN(DesktopFilesTest)
#include "DesktopFilesTest.moc"
