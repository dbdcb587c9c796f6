// The version, the manual pages and the AppStream metadata against what the built programs say: every
// command and option of --help is in the manual page, every exit status too, and the one version is
// what both programs print.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <set>
#include <string>

#include "Commands.h"
#include "core/model/Version.h"

namespace {
struct CRun {
    int status = -1;
    QString out;
};

CRun Run(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    CRun r;
    if (!p.waitForFinished(30000)) return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    return r;
}
CRun Cli(const QStringList& args) {
    return Run(QStringLiteral(GORVANTA_CLI), args, QProcessEnvironment::systemEnvironment());
}
// The window program with no display of any kind: what a terminal without X or Wayland offers.
CRun Window(const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QLatin1String(name));
    return Run(QStringLiteral(GORVANTA_GUI), args, env);
}

QString ReadText(const char* path) {
    QFile f(QString::fromUtf8(path));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The options a --help text lists ("-h, --help", "--set <NAME=VALUE>"), as the manual page spells them.
std::set<QString> OptionsOf(const QString& help) {
    std::set<QString> options;
    static const QRegularExpression option(QStringLiteral("(?:^|[ ,])(--?[a-z][a-z-]*)"));
    for (const QString& line : help.split(u'\n'))
        if (line.startsWith(QStringLiteral("  -")))
            for (auto m = option.globalMatch(line.section(QStringLiteral("  "), 1, 1)); m.hasNext();)
                options.insert(m.next().captured(1).replace(u'-', QStringLiteral("\\-")));
    return options;
}

// The text of a manual page's section, from its .SH line to the next.
QString Section(const QString& page, const QString& name) {
    const qsizetype at = page.indexOf(QStringLiteral(".SH ") + name + u'\n');
    if (at < 0) return {};
    const qsizetype end = page.indexOf(QStringLiteral("\n.SH "), at + 1);
    return page.mid(at, end < 0 ? -1 : end - at);
}
}  // namespace

TEST(Version, BothProgramsPrintTheProjectVersion) {
    const CRun cli = Cli({QStringLiteral("--version")});
    EXPECT_EQ(cli.status, CLI_EXIT_OK);
    EXPECT_EQ(cli.out.toStdString(), std::string("gorvanta-cli ") + GORVANTA_VERSION + "\n");
    const CRun window = Window({QStringLiteral("--version")});
    EXPECT_EQ(window.status, 0);
    EXPECT_EQ(window.out.toStdString(), std::string("gorvanta ") + GORVANTA_VERSION + "\n");
    // The version is the CMake project's, in the form of the About box's "1.0.8.0".
    EXPECT_EQ(std::string(GORVANTA_VERSION), PROJECT_VERSION_TEXT);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"))
                    .match(QLatin1String(GORVANTA_VERSION)).hasMatch());
}

TEST(Version, WindowProgramHelpNeedsNoDisplayAndLeavesQtOptionsAlone) {
    const CRun help = Window({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("usage: gorvanta [FILE.gva]"))) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains(QStringLiteral("--version")));
    // A Qt option whose letters hold an h ("-stylesheet") is not taken for -h.
    const CRun qtOption = Window({QStringLiteral("-stylesheet"), QStringLiteral("none.qss"), QStringLiteral("--version")});
    EXPECT_EQ(qtOption.out.toStdString(), std::string("gorvanta ") + GORVANTA_VERSION + "\n");
}

TEST(ManPages, EveryCommandAndOptionOfTheHelpIsDocumented) {
    const QString page = ReadText(GORVANTA_MAN_DIR "/gorvanta-cli.1");
    ASSERT_FALSE(page.isEmpty());
    EXPECT_TRUE(page.startsWith(QStringLiteral(".TH GORVANTA-CLI 1 \"\" \"Gorvanta ") + QLatin1String(GORVANTA_VERSION)));
    const CRun list = Cli({QStringLiteral("--help")});
    ASSERT_EQ(list.status, CLI_EXIT_OK);
    int commands = 0;
    static const QRegularExpression usage(QStringLiteral("^  gorvanta-cli ([a-z]+)"));
    for (const QString& line : list.out.split(u'\n')) {
        const auto m = usage.match(line);
        if (!m.hasMatch()) continue;
        ++commands;
        const QString name = m.captured(1);
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(page.contains(QStringLiteral(".B gorvanta-cli ") + name + u'\n'));
        EXPECT_TRUE(Section(page, QStringLiteral("COMMANDS")).contains(QStringLiteral(".BI \"") + name + u' '));
        const CRun help = Cli({name, QStringLiteral("--help")});
        ASSERT_EQ(help.status, CLI_EXIT_OK);
        const std::set<QString> options = OptionsOf(help.out);
        EXPECT_TRUE(options.count(QStringLiteral("\\-\\-help")));
        for (const QString& option : options) EXPECT_TRUE(page.contains(option)) << option.toStdString();
        // Its positional arguments too (DOC.gva, TEXTFILE, K:I).
        static const QRegularExpression argument(QStringLiteral("^  ([A-Z][A-Za-z:.]*) "));
        for (const QString& line : help.out.split(u'\n'))
            if (const auto a = argument.match(line); a.hasMatch())
                EXPECT_TRUE(page.contains(a.captured(1))) << a.captured(1).toStdString();
    }
    EXPECT_EQ(commands, 5);
    EXPECT_TRUE(page.contains(QStringLiteral(".B \\-\\-version")));
}

TEST(ManPages, ExitStatusesStoreAndExampleAreThere) {
    struct {
        const char* file;
        std::set<int> statuses;
    } const pages[] = {
        {GORVANTA_MAN_DIR "/gorvanta-cli.1", {CLI_EXIT_OK, CLI_EXIT_FILE, CLI_EXIT_USAGE, CLI_EXIT_FAILURE}},
        {GORVANTA_MAN_DIR "/gorvanta.1", {0, 1}},
    };
    for (const auto& p : pages) {
        SCOPED_TRACE(p.file);
        const QString page = ReadText(p.file);
        ASSERT_FALSE(page.isEmpty());
        const QString exit = Section(page, QStringLiteral("EXIT STATUS"));
        std::set<int> listed;
        static const QRegularExpression status(QStringLiteral("\n\\.B (\\d+)\n"));
        for (auto m = status.globalMatch(exit); m.hasNext();) listed.insert(m.next().captured(1).toInt());
        EXPECT_EQ(listed, p.statuses);
        // The per-user store of QSettings("VarnHolt", "Gorvanta") and a session to copy from.
        EXPECT_TRUE(Section(page, QStringLiteral("FILES")).contains(QStringLiteral("~/.config/VarnHolt/Gorvanta.conf")));
        EXPECT_TRUE(Section(page, QStringLiteral("EXAMPLES")).contains(QStringLiteral("\n$ gorvanta")));
    }
    // The window program's own options.
    const QString page = ReadText(GORVANTA_MAN_DIR "/gorvanta.1");
    for (const QString& option : OptionsOf(Window({QStringLiteral("--help")}).out))
        EXPECT_TRUE(Section(page, QStringLiteral("OPTIONS")).contains(option)) << option.toStdString();
}

TEST(AppStream, MetainfoNamesTheDesktopEntryVersionAndAScreenshot) {
    QFile f(QStringLiteral(GORVANTA_MAN_DIR "/example.varnholt.Gorvanta.metainfo.xml"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&f);
    QString id, launchable, release, image, description;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("id")) id = xml.readElementText();
        if (xml.name() == QLatin1String("launchable")) launchable = xml.readElementText();
        if (xml.name() == QLatin1String("release")) release = xml.attributes().value(QLatin1String("version")).toString();
        if (xml.name() == QLatin1String("image")) image = xml.readElementText();
        if (xml.name() == QLatin1String("p") && description.isEmpty()) description = xml.readElementText();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(id, QStringLiteral("example.varnholt.Gorvanta"));
    EXPECT_EQ(launchable, QStringLiteral("gorvanta.desktop"));
    EXPECT_TRUE(QFile::exists(QStringLiteral(GORVANTA_RESOURCES_DIR "/") + launchable));
    EXPECT_EQ(release.toStdString(), GORVANTA_VERSION);
    EXPECT_GT(description.simplified().size(), 100);
    // The screenshot is one of the guide's pictures.
    EXPECT_TRUE(image.startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(QFile::exists(QStringLiteral(GORVANTA_RESOURCES_DIR "/guide/images/") + image.section(u'/', -1)));
}
