// The pack workflow driven as a user would: file choices, the output choice with its
// ".zip" rule, the format checks, "Packen" with the real engine, and the progress display.
#include "ui/pack.h"
#include "ui/texts.h"
#include "workflow_fixture.h"

namespace workflow_test {
namespace {

using ChooserType = hl::ChooserRequest::Type;

class PackWorkflow : public WorkflowTest {};

TEST_F(PackWorkflow, TwoChoicesPackBothSetsInOrderIntoTheTypedPath) {
    std::string a = Put("a.txt", "erste"), b = Put("b.txt", "zweite"), c = Put("c.txt", "dritte");
    hl::AnswerChooser({a, b});
    hl::Click(ui::SourceBrowseButton);
    hl::AnswerChooser({c});
    hl::Click(ui::SourceBrowseButton);
    // A typed path is used as typed: no ".zip" is added to it.
    ScriptFormatAndOutput(Program("Sicherung"));
    hl::Click(ui::PackButton);
    ui::RunMainLoop();

    EXPECT_EQ(NamesOf(Host("Sicherung")), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_FALSE(Exists(Host("Sicherung.zip")));
    EXPECT_EQ(Text(ui::SourceField), c); // the first file of the latest choice
    EXPECT_EQ(ui::Ui().selectedFiles, (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(hl::Beeps(), 1);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Maximum(ui::TotalProgressBar), 3);
    EXPECT_EQ(Position(ui::TotalProgressBar), 0);
    EXPECT_EQ(Position(ui::FileProgressBar), 0);
    EXPECT_EQ(Text(ui::CurrentFileLabel), "Datei: "); // the engine's end call

    ASSERT_EQ(hl::ChooserRequests().size(), 2u);
    const auto& request = hl::ChooserRequests()[0];
    EXPECT_EQ(request.type, ChooserType::Open);
    EXPECT_TRUE(request.multiple);
    EXPECT_EQ(request.title, ui::texts::ChooseFilesTitle);
    EXPECT_EQ(request.title, "Bitte w\xE4hlen Sie die Datei/n aus:");
    EXPECT_EQ(request.defaultPath, tmp.program() + "\\Desktop");
    EXPECT_EQ(request.filter, "Alle Dateien (*.*)|*.*");
    EXPECT_EQ(request.preselected, 0);
}

TEST_F(PackWorkflow, TheSameFileChosenTwiceGivesTwoEntries) {
    std::string a = Put("a.txt", "eins");
    hl::AnswerChooser({a});
    hl::Click(ui::SourceBrowseButton);
    hl::AnswerChooser({a});
    hl::Click(ui::SourceBrowseButton);
    ScriptFormatAndOutput(Program("out.zip"));
    hl::Click(ui::PackButton);
    ui::RunMainLoop();
    EXPECT_EQ(NamesOf(Host("out.zip")), (std::vector<std::string>{"a.txt", "a.txt"}));
}

TEST_F(PackWorkflow, ACancelledFileChooserEmptiesTheFieldAndKeepsTheList) {
    std::string a = Put("a.txt", "eins");
    hl::AnswerChooser({a});
    hl::Click(ui::SourceBrowseButton);
    hl::AnswerChooser({}); // cancel
    hl::Click(ui::SourceBrowseButton);
    ScriptFormatAndOutput(Program("out.zip"));
    hl::Click(ui::PackButton);
    ui::RunMainLoop();
    EXPECT_EQ(Text(ui::SourceField), "");
    EXPECT_EQ(ui::Ui().selectedFiles, std::vector<std::string>{a});
    EXPECT_EQ(NamesOf(Host("out.zip")), std::vector<std::string>{"a.txt"});
}

struct ZipRuleCase {
    const char* name;
    std::vector<std::string> answer; // empty: the save chooser is cancelled
    const char* expected;
};
void PrintTo(const ZipRuleCase& c, std::ostream* os) {
    *os << c.name;
}

class ZipRule : public WorkflowTest, public ::testing::WithParamInterface<ZipRuleCase> {};

TEST_P(ZipRule, TheSaveChoosersPathGetsZipOnlyWhereItHasNone) {
    hl::Click(ui::ZipCheckBox);
    hl::AnswerChooser(GetParam().answer);
    hl::Click(ui::ArchiveBrowseButton);
    ui::RunMainLoop();
    EXPECT_EQ(ui::Ui().packArchivePath, GetParam().expected);
    EXPECT_EQ(Text(ui::ArchiveField), GetParam().expected);
    ASSERT_EQ(hl::ChooserRequests().size(), 1u);
    const auto& request = hl::ChooserRequests()[0];
    EXPECT_EQ(request.type, ChooserType::Save);
    EXPECT_EQ(request.title, "Bitte w\xE4hlen Sie aus wo Sie die Datei speichern m\xF6"
                             "chten:");
    EXPECT_EQ(request.defaultPath, tmp.program() + "\\Desktop");
    EXPECT_EQ(request.filter, "Zip (*.zip)|*.zip");
    EXPECT_TRUE(Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ZipRule,
    ::testing::Values(
        ZipRuleCase{"NoExtension", {"C:\\Daten\\Sicherung"}, "C:\\Daten\\Sicherung.zip"},
        ZipRuleCase{"UpperCase", {"C:\\Daten\\Sicherung.ZIP"}, "C:\\Daten\\Sicherung.ZIP.zip"},
        ZipRuleCase{"InAFolderName", {"C:\\alt.zip\\Sicherung"}, "C:\\alt.zip\\Sicherung"},
        ZipRuleCase{"AlreadyZip", {"C:\\Daten\\Sicherung.zip"}, "C:\\Daten\\Sicherung.zip"},
        ZipRuleCase{"Cancelled", {}, ".zip"}),
    [](const auto& info) { return std::string(info.param.name); });

struct FormatCase {
    const char* name;
    int clicksOnZip; // before the output choice
    int clicksAfter; // between the output choice and "Packen"
    std::vector<std::string> messages;
    bool chooserOpened;
};
void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

class FormatMessages : public WorkflowTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FormatMessages, AMissingFormatIsReportedAndNothingIsWritten) {
    const auto& c = GetParam();
    hl::AnswerChooser({Put("a.txt", "eins")});
    hl::Click(ui::SourceBrowseButton);
    for (int i = 0; i < c.clicksOnZip; ++i)
        hl::Click(ui::ZipCheckBox);
    hl::AnswerChooser({Program("out.zip")});
    hl::Click(ui::ArchiveBrowseButton);
    for (int i = 0; i < c.clicksAfter; ++i)
        hl::Click(ui::ZipCheckBox);
    hl::Click(ui::PackButton);
    ui::RunMainLoop();

    std::vector<std::string> shown;
    for (const auto& m : Messages()) {
        EXPECT_EQ(m.caption, "Zelvanto");
        shown.push_back(m.text);
    }
    EXPECT_EQ(shown, c.messages);
    EXPECT_EQ(hl::ChooserRequests().size(), c.chooserOpened ? 2u : 1u);
    EXPECT_FALSE(Exists(Host("out.zip")));
    EXPECT_EQ(hl::Beeps(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, FormatMessages,
                         ::testing::Values(
                             // The output choice reads the box itself; "Packen" reads FormatChosen.
                             FormatCase{"NeverTicked",
                                        0,
                                        0,
                                        {"Error, Sie haben kein Ausgabeformat gew\xE4hlt",
                                         "Error, Sie haben das Format nicht ausgew\xE4hlt"},
                                        false},
                             FormatCase{"UntickedAfterTheChoice",
                                        1,
                                        1,
                                        {"Error, Sie haben das Format nicht ausgew\xE4hlt"},
                                        true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PackWorkflow, NoFilesGiveAnArchiveWithoutEntries) {
    ScriptFormatAndOutput(Program("leer.zip"));
    hl::Click(ui::PackButton);
    ui::RunMainLoop();
    // minizip refuses to open an archive without entries; a peer reads it as one.
    EXPECT_EQ(testing_support::Run("python3 -c 'import sys, zipfile; "
                                   "sys.exit(len(zipfile.ZipFile(sys.argv[1]).namelist()))' '" +
                                   Host("leer.zip") + "'"),
              0);
    EXPECT_EQ(Maximum(ui::TotalProgressBar), 0);
    EXPECT_EQ(hl::Beeps(), 1);
}

TEST_F(PackWorkflow, PackingTwiceReplacesTheArchive) {
    std::string out = Put("out.zip", "kein Archiv, nur ein alter Inhalt");
    hl::AnswerChooser({Put("a.txt", "eins")});
    hl::Click(ui::SourceBrowseButton);
    ScriptFormatAndOutput(out);
    hl::Click(ui::PackButton);
    hl::Click(ui::PackButton);
    ui::RunMainLoop();
    EXPECT_EQ(NamesOf(Host("out.zip")), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(hl::Beeps(), 2);
}

TEST_F(PackWorkflow, ClicksAndCloseRequestsDuringAPackAreLost) {
    hl::AnswerChooser({Put("a.bin", std::string(500000, 'a'))});
    hl::Click(ui::SourceBrowseButton);
    ScriptFormatAndOutput(Program("out.zip"));
    hl::Click(ui::PackButton);
    // Made while the engine copies: taken by the progress callback's pump and dropped.
    hl::Click(ui::PackButton, When::Busy);
    hl::RequestClose(ui::MainWindow, When::Busy);
    hl::Click(ui::ZipCheckBox); // after the pack: the program is still there
    ui::RunMainLoop();
    EXPECT_EQ(hl::PendingActions(When::Busy), 0u);
    EXPECT_EQ(hl::Beeps(), 1);
    EXPECT_EQ(ui::Ui().formatChosen, 0); // the last click reached its handler
    EXPECT_EQ(NamesOf(Host("out.zip")), std::vector<std::string>{"a.bin"});
}

TEST_F(PackWorkflow, ThePasswordSetBeforeEncryptsEveryEntry) {
    hl::AnswerChooser({Put("a.txt", "eins"), Put("b.txt", "zwei")});
    hl::Click(ui::SourceBrowseButton);
    hl::Click(ui::PasswordButton);
    ScriptPassword("geheim", "geheim");
    ScriptFormatAndOutput(Program("out.zip"));
    hl::Click(ui::PackButton);
    ui::RunMainLoop();
    auto entries = EntriesOf(Host("out.zip"));
    ASSERT_EQ(entries.size(), 2u);
    for (const auto& e : entries)
        EXPECT_EQ(e.flags & 1, 1u) << e.name;
    // A peer reads it back with the password.
    EXPECT_EQ(testing_support::Run("unzip -qq -t -P geheim '" + Host("out.zip") + "'"), 0);
}

// Sound behaviour: what the engine refused is told, so that an archive is never taken
// for complete when it is not.
TEST_F(PackWorkflow, FilesThatCannotBeReadAreNamedInsteadOfTheBeep) {
    std::string a = Put("a.txt", "eins");
    std::string missing = Program("fehlt.txt");
    hl::AnswerChooser({a, missing});
    hl::Click(ui::SourceBrowseButton);
    ScriptFormatAndOutput(Program("out.zip"));
    hl::Click(ui::PackButton);
    ui::RunMainLoop();
    EXPECT_EQ(hl::Beeps(), 0);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].caption, "Zelvanto");
    EXPECT_EQ(Messages()[0].text, "Error, 1 Datei wurde nicht ins Archiv aufgenommen:\n" + missing);
    auto names = NamesOf(Host("out.zip"));
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names[0], "a.txt");
    EXPECT_EQ(Position(ui::TotalProgressBar), 0);
}

TEST_F(PackWorkflow, AnArchiveThatCannotBeCreatedIsReported) {
    hl::AnswerChooser({Put("a.txt", "eins")});
    hl::Click(ui::SourceBrowseButton);
    ScriptFormatAndOutput(Program("kein Ordner/out.zip"));
    hl::Click(ui::PackButton);
    ui::RunMainLoop();
    EXPECT_EQ(hl::Beeps(), 0);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "Error, das Archiv kann nicht angelegt werden. Bitte pr\xFC"
                                  "fen Sie den "
                                  "Ausgabepfad.");
    EXPECT_FALSE(Exists(Host("kein Ordner")));
}

struct ProgressCase {
    const char* name;
    std::string fileName;
    float percent;
    const char* label;
    int position;
};
void PrintTo(const ProgressCase& c, std::ostream* os) {
    *os << c.name;
}

class CompressProgress : public WorkflowTest, public ::testing::WithParamInterface<ProgressCase> {};

TEST_P(CompressProgress, ShowsTheRoundedPercentAndTheShortenedName) {
    EXPECT_EQ(ui::OnCompressProgress(GetParam().fileName, GetParam().percent), 0);
    EXPECT_EQ(Text(ui::CurrentFileLabel), GetParam().label);
    EXPECT_EQ(Position(ui::FileProgressBar), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, CompressProgress,
    ::testing::Values(
        ProgressCase{"FifteenCharactersStayWhole", "C:\\Bilder\\Urlaubsbild.jpg", 12.4f,
                     "Datei: Urlaubsbild.jpg", 12},
        ProgressCase{"SeventeenAreCut", "C:\\Bilder\\Urlaubsbilder.jpg", 12.6f,
                     "Datei: Urlaubsbilde...", 13},
        ProgressCase{"SixteenAreCut", "C:\\ABCDEFGHIJKLMNOP", 0.0f, "Datei: ABCDEFGHIJKL...", 0},
        ProgressCase{"NoSeparator", "Notiz.txt", 100.0f, "Datei: Notiz.txt", 100},
        ProgressCase{"EmptyName", "", 100.0f, "Datei: ", 100},
        ProgressCase{"OnlyTheLastSeparatorCounts", "C:\\a.b\\c\\", 50.0f, "Datei: ", 50},
        ProgressCase{"HalfGoesToEvenDown", "x", 2.5f, "Datei: x", 2},
        ProgressCase{"HalfGoesToEvenUp", "x", 3.5f, "Datei: x", 4},
        ProgressCase{"HalfBelowTheTop", "x", 99.5f, "Datei: x", 100},
        ProgressCase{"HalfAtTheBottom", "x", 0.5f, "Datei: x", 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace workflow_test
