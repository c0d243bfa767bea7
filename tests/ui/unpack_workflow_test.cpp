// The unpack workflow driven as a user would: the archive and folder choices, the
// extension test, "Entpacken" with the real engine, the password question, what stays
// after an unpack, and the reports of entries that were not written.
#include "support/zip_bytes.h"
#include "ui/texts.h"
#include "ui/unpack.h"
#include "workflow_fixture.h"

namespace workflow_test {
namespace {

using ChooserType = hl::ChooserRequest::Type;

std::string PlainArchive(const std::string& name = "a.txt", const std::string& data = "eins") {
    return zip_bytes::Build({{.name = name, .data = data}});
}

class UnpackWorkflow : public WorkflowTest {};

struct ExtensionCase {
    const char* name;
    const char* archive; // relative path of the (real, valid) archive; empty: cancelled
    const char* extension;
    bool extracts;
};
void PrintTo(const ExtensionCase& c, std::ostream* os) {
    *os << c.name;
}

class Extension : public WorkflowTest, public ::testing::WithParamInterface<ExtensionCase> {};

TEST_P(Extension, OnlyTheExactExtensionZipIsUnpacked) {
    const auto& c = GetParam();
    std::string archive;
    if (*c.archive) {
        std::string relative = c.archive;
        if (auto slash = relative.rfind('/'); slash != std::string::npos)
            MakeFolder(relative.substr(0, slash));
        archive = Put(relative, PlainArchive());
    }
    MakeFolder("ziel");
    ScriptUnpack(archive, Program("ziel"));
    ui::RunMainLoop();

    std::string expectedExtension = c.extension;
    if (expectedExtension == "<path>") expectedExtension = archive;
    EXPECT_EQ(ui::Ui().unpackExtension, expectedExtension);
    EXPECT_EQ(Exists(Host("ziel/a.txt")), c.extracts);
    EXPECT_EQ(hl::Beeps(), c.extracts ? 1 : 0);
    EXPECT_TRUE(Messages().empty());
    // Fields are emptied only by an unpack that ran.
    EXPECT_EQ(Text(ui::UnpackArchiveField), c.extracts ? "" : archive);

    const auto& request = hl::ChooserRequests().at(0);
    EXPECT_EQ(request.type, ChooserType::Open);
    EXPECT_FALSE(request.multiple);
    EXPECT_EQ(request.title, "Biite w\xE4hlen Sie das zue entpackende Archiv aus");
    EXPECT_EQ(request.filter, "Zip (*.zip)|*.zip");
    EXPECT_EQ(request.defaultPath, tmp.program() + "\\Desktop");
    const auto& folder = hl::ChooserRequests().at(1);
    EXPECT_EQ(folder.type, ChooserType::Folder);
    EXPECT_EQ(folder.title, "Ausgabeort:");
    EXPECT_EQ(folder.defaultPath, "");
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Extension,
    ::testing::Values(ExtensionCase{"LowerCaseZip", "Sicherung.zip", "zip", true},
                      ExtensionCase{"UpperCaseZip", "Sicherung.ZIP", "ZIP", false},
                      ExtensionCase{"DotInAFolderOnly", "Daten.alt/Sicherung", "alt\\Sicherung",
                                    false},
                      ExtensionCase{"LastDotCounts", "Sicherung.zip.bak", "bak", false},
                      ExtensionCase{"Cancelled", "", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnpackWorkflow, AFolderChoiceEndsInABackslashAndACancelEmptiesIt) {
    MakeFolder("ziel");
    hl::AnswerChooser({Program("ziel")});
    hl::Click(ui::DestinationBrowseButton);
    ui::RunMainLoop();
    EXPECT_EQ(ui::Ui().destinationFolder, Program("ziel") + "\\");
    EXPECT_EQ(Text(ui::DestinationField), Program("ziel") + "\\");

    hl::AnswerChooser({Program("ziel") + "\\"});
    hl::Click(ui::DestinationBrowseButton);
    hl::AnswerChooser({}); // cancel
    hl::Click(ui::DestinationBrowseButton);
    ui::RunMainLoop();
    EXPECT_EQ(ui::Ui().destinationFolder, "");
    EXPECT_EQ(Text(ui::DestinationField), "");
}

TEST_F(UnpackWorkflow, APathTypedBeforeAnyChoiceDoesNothing) {
    MakeFolder("ziel");
    hl::Type(ui::UnpackArchiveField, Put("s.zip", PlainArchive()));
    hl::Type(ui::DestinationField, Program("ziel") + "\\");
    hl::Click(ui::UnpackButton);
    ui::RunMainLoop();
    EXPECT_EQ(ui::Ui().unpackArchivePath, Program("s.zip"));
    EXPECT_FALSE(Exists(Host("ziel/a.txt")));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(hl::Beeps(), 0);
}

TEST_F(UnpackWorkflow, APathTypedAfterAChoiceIsTheArchiveUnpacked) {
    MakeFolder("ziel");
    std::string other = Put("anderes.zip", PlainArchive("b.txt", "zwei"));
    ScriptUnpack(Put("s.zip", PlainArchive()), Program("ziel"));
    ui::RunMainLoop();
    // The extension from that choice is still "zip"; the typed path is what is opened.
    hl::Type(ui::UnpackArchiveField, other);
    hl::Click(ui::UnpackButton);
    ui::RunMainLoop();
    EXPECT_EQ(ReadFile(Host("ziel/b.txt")), "zwei");
}

TEST_F(UnpackWorkflow, AnUnpackEmptiesBothFieldsButKeepsTheFolderForTheNextOne) {
    MakeFolder("ziel");
    ScriptUnpack(Put("s.zip", PlainArchive("a.txt", "eins")), Program("ziel"));
    ui::RunMainLoop();
    EXPECT_EQ(ReadFile(Host("ziel/a.txt")), "eins");
    EXPECT_EQ(Text(ui::DestinationField), "");
    EXPECT_EQ(Text(ui::UnpackArchiveField), "");
    EXPECT_EQ(ui::Ui().unpackArchivePath, "");
    EXPECT_EQ(ui::Ui().destinationFolder, Program("ziel") + "\\");
    EXPECT_EQ(ui::Ui().unpackExtension, "zip");
    EXPECT_EQ(Position(ui::UnpackProgressBar), 0);

    // A new archive without a new folder goes to the folder used last.
    hl::AnswerChooser({Put("t.zip", PlainArchive("b.txt", "zwei"))});
    hl::Click(ui::UnpackBrowseButton);
    hl::Click(ui::UnpackButton);
    ui::RunMainLoop();
    EXPECT_EQ(ReadFile(Host("ziel/b.txt")), "zwei");
    EXPECT_EQ(hl::Beeps(), 2);
}

TEST_F(UnpackWorkflow, ASecondUnpackRightAfterOneExtractsNothing) {
    MakeFolder("ziel");
    ScriptUnpack(Put("s.zip", PlainArchive()), Program("ziel"));
    ui::RunMainLoop();
    std::filesystem::remove(Host("ziel/a.txt"));
    hl::Click(ui::UnpackButton);
    ui::RunMainLoop();
    EXPECT_FALSE(Exists(Host("ziel/a.txt")));
    EXPECT_EQ(hl::Beeps(), 1);
    // The archive path is empty now: there is no archive to open, and the user is told.
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text.rfind("Error, das Archiv kann nicht ge\xF6"
                                       "ffnet werden",
                                       0),
              0u);
}

TEST_F(UnpackWorkflow, AnEncryptedFirstEntryAsksForThePassword) {
    MakeFolder("ziel");
    ScriptUnpack(Put("s.zip", zip_bytes::Build(
                                  {{.name = "geheim.txt", .data = "Inhalt", .password = "Geheim"},
                                   {.name = "offen.txt", .data = "frei"}})),
                 Program("ziel"));
    ScriptPassword("Geheim", "Geheim");
    ui::RunMainLoop();
    ASSERT_NE(hl::Window(ui::PasswordDialog), nullptr);
    EXPECT_EQ(hl::Window(ui::PasswordDialog)->timesOpened, 1);
    EXPECT_EQ(ReadFile(Host("ziel/geheim.txt")), "Inhalt");
    EXPECT_EQ(ReadFile(Host("ziel/offen.txt")), "frei");
    EXPECT_EQ(Archive().password, "Geheim"); // also for later packs
    EXPECT_EQ(hl::Beeps(), 1);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(UnpackWorkflow, APlainFirstEntryAsksNothingEvenWhenLaterOnesAreEncrypted) {
    MakeFolder("ziel");
    ArchiveSetPassword("Geheim"); // set earlier, e.g. for a pack
    ScriptUnpack(
        Put("s.zip",
            zip_bytes::Build({{.name = "offen.txt", .data = "frei"},
                              {.name = "geheim.txt", .data = "Inhalt", .password = "Geheim"}})),
        Program("ziel"));
    ui::RunMainLoop();
    EXPECT_EQ(hl::Window(ui::PasswordDialog), nullptr);
    EXPECT_EQ(ReadFile(Host("ziel/geheim.txt")), "Inhalt");
}

TEST_F(UnpackWorkflow, AWrongPasswordIsReportedAndExistingFilesStayUntouched) {
    MakeFolder("ziel");
    WriteFile(Host("ziel/geheim.txt"), "alter Inhalt");
    ScriptUnpack(
        Put("s.zip",
            zip_bytes::Build({{.name = "geheim.txt", .data = "Inhalt", .password = "Geheim"}})),
        Program("ziel"));
    ScriptPassword("geheim", "geheim");
    ui::RunMainLoop();
    EXPECT_EQ(ReadFile(Host("ziel/geheim.txt")), "alter Inhalt");
    EXPECT_EQ(hl::Beeps(), 0);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].caption, "Zelvanto");
    EXPECT_EQ(Messages()[0].text, "Error, 1 Eintrag wurde nicht entpackt.\n\nGrund:\n"
                                  "Falsches oder fehlendes Passwort: 1");
    // The unpack ran: both fields are emptied as after any unpack.
    EXPECT_EQ(Text(ui::UnpackArchiveField), "");
}

struct ReportCase {
    const char* name;
    std::vector<zip_bytes::Entry> entries;
    const char* message;
};
void PrintTo(const ReportCase& c, std::ostream* os) {
    *os << c.name;
}

class NotWritten : public WorkflowTest, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(NotWritten, EntriesNotWrittenAreCountedByReasonInsteadOfTheBeep) {
    MakeFolder("ziel");
    ScriptUnpack(Put("s.zip", zip_bytes::Build(GetParam().entries)), Program("ziel"));
    ui::RunMainLoop();
    EXPECT_EQ(hl::Beeps(), 0);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].caption, "Zelvanto");
    EXPECT_EQ(Messages()[0].text, GetParam().message);
    EXPECT_EQ(ReadFile(Host("ziel/gut.txt")), "gut");
    EXPECT_FALSE(Exists(Host("x.txt"))); // nothing beside the folder
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, NotWritten,
    ::testing::Values(
        ReportCase{"DamagedData",
                   {{.name = "gut.txt", .data = "gut"},
                    {.name = "kaputt.txt", .data = "Daten", .crc = 0x12345678}},
                   "Error, 1 Eintrag wurde nicht entpackt.\n\nGrund:\nBesch\xE4"
                   "digte "
                   "Daten: 1"},
        ReportCase{"OutsideTheFolder",
                   {{.name = "gut.txt", .data = "gut"}, {.name = "../x.txt", .data = "x"}},
                   "Error, 1 Eintrag wurde nicht entpackt.\n\nGrund:\nName unzul\xE4ssig "
                   "(au\xDF"
                   "erhalb des Zielordners, zu lang oder nicht darstellbar): 1"},
        ReportCase{"SeveralReasons",
                   {{.name = "gut.txt", .data = "gut"},
                    {.name = "../x.txt", .data = "x"},
                    {.name = "a.txt", .data = "a", .crc = 1},
                    {.name = "b.txt", .data = "b", .crc = 2}},
                   "Error, 3 Eintr\xE4ge wurden nicht entpackt.\n\nGr\xFCnde:\nBesch\xE4"
                   "digte Daten: 2\nName unzul\xE4ssig (au\xDF"
                   "erhalb des Zielordners, zu "
                   "lang oder nicht darstellbar): 1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnpackWorkflow, AnArchiveThatCannotBeOpenedIsReportedWithoutAPasswordQuestion) {
    MakeFolder("ziel");
    // An earlier encrypted archive leaves its first entry's record behind in the engine's
    // caller; it must not make an unreadable archive ask for a password.
    ScriptUnpack(
        Put("alt.zip", zip_bytes::Build({{.name = "g.txt", .data = "g", .password = "p"}})),
        Program("ziel"));
    ScriptPassword("p", "p");
    std::string broken = Put("kaputt.zip", "PK\x03\x04 kein Archiv");
    ScriptUnpack(broken, Program("ziel"));
    ui::RunMainLoop();
    EXPECT_EQ(hl::Window(ui::PasswordDialog)->timesOpened, 1);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].caption, "Zelvanto");
    EXPECT_EQ(Messages()[0].text, "Error, das Archiv kann nicht ge\xF6"
                                  "ffnet werden. Es fehlt "
                                  "oder ist kein g\xFCltiges ZIP-Archiv.");
    // Nothing ran: the choices stay for another try.
    EXPECT_EQ(Text(ui::UnpackArchiveField), broken);
    EXPECT_EQ(hl::Beeps(), 1);
}

// "Packen" with no file chosen writes an archive with no entries; unpacking it is an
// unpack like any other: no message, the beep, nothing written.
TEST_F(UnpackWorkflow, AnArchiveWithoutEntriesUnpacksToNothingWithoutAMessage) {
    ScriptUnpack(Put("leer.zip", zip_bytes::Build({})), Program("ziel"));
    ui::RunMainLoop();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(hl::Beeps(), 1);
    EXPECT_FALSE(Exists(Host("ziel")));
    EXPECT_EQ(Text(ui::UnpackArchiveField), "");
}

TEST_F(UnpackWorkflow, ExtractProgressShowsTheRoundedShareOfEntries) {
    const struct {
        float percent;
        int position;
    } cases[] = {{0.0f, 0}, {12.5f, 12}, {37.5f, 38}, {66.6667f, 67}, {100.0f, 100}};
    for (const auto& c : cases) {
        EXPECT_EQ(ui::OnExtractProgress("ignored.txt", c.percent), 0);
        EXPECT_EQ(Position(ui::UnpackProgressBar), c.position) << c.percent;
    }
    EXPECT_EQ(Text(ui::CurrentFileLabel), "Aktuelle Datei: "); // the name is not shown
}

TEST_F(UnpackWorkflow, AfterAPackTheFileProgressAlsoFollowsAnUnpack) {
    MakeFolder("ziel");
    hl::AnswerChooser({Put("Urlaubsbilder.jpg", std::string(300000, 'x'))});
    hl::Click(ui::SourceBrowseButton);
    ScriptFormatAndOutput(Program("out.zip"));
    hl::Click(ui::PackButton);
    ui::RunMainLoop();
    EXPECT_EQ(Position(ui::FileProgressBar), 0); // reset by the pack
    ScriptUnpack(Program("out.zip"), Program("ziel"));
    ui::RunMainLoop();
    EXPECT_EQ(ReadFile(Host("ziel/Urlaubsbilder.jpg")), std::string(300000, 'x'));
    EXPECT_EQ(hl::Beeps(), 2);
    // The pack's callback, still registered, saw the entry written; nothing resets it.
    EXPECT_EQ(Position(ui::FileProgressBar), 100);
    EXPECT_EQ(Text(ui::CurrentFileLabel), "Datei: ");
}

} // namespace
} // namespace workflow_test
