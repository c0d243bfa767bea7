// PasswordDialog in both of its runs: what is accepted, what a mismatch does in each run,
// "Abbruch", a close request while it is open, and its focus order.
#include "support/zip_bytes.h"
#include "ui/texts.h"
#include "workflow_fixture.h"

#include <algorithm>

namespace workflow_test {
namespace {

const char kMismatch[] = "Error, die angegebenden Passw\xF6rter stimmen nicht \xFC"
                         "berein!";

class PasswordDialogTest : public WorkflowTest {
  protected:
    // An archive whose only entry is encrypted with `password`.
    std::string EncryptedArchive(const std::string& password, const std::string& name = "s.zip") {
        return Put(name, zip_bytes::Build(
                             {{.name = "geheim.txt", .data = "Inhalt", .password = password}}));
    }
    static bool DialogOpen() { return tk::IsWindowOpen(ui::PasswordDialog); }
    static int TimesOpened() {
        const auto* w = hl::Window(ui::PasswordDialog);
        return w ? w->timesOpened : 0;
    }
};

struct AcceptCase {
    const char* name;
    const char* typed;
    int passwordSet;
};
void PrintTo(const AcceptCase& c, std::ostream* os) {
    *os << c.name;
}

class PackRunAccepts : public PasswordDialogTest,
                       public ::testing::WithParamInterface<AcceptCase> {};

TEST_P(PackRunAccepts, AgreeingTextsBecomeTheEnginesPassword) {
    ArchiveSetPassword("vorher");
    hl::Click(ui::PasswordButton);
    ScriptPassword(GetParam().typed, GetParam().typed);
    ui::RunMainLoop();
    EXPECT_EQ(Archive().passwordSet, GetParam().passwordSet);
    EXPECT_EQ(Archive().password, GetParam().typed);
    EXPECT_FALSE(DialogOpen());
    EXPECT_TRUE(Messages().empty());
    const auto* w = hl::Window(ui::PasswordDialog);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->title, "Passwort zum Archiv hinzuf\xFCgen");
    EXPECT_EQ(w->style, tk::StyleCaption);
    EXPECT_EQ(w->width, 383);
    EXPECT_EQ(w->height, 226);
}

INSTANTIATE_TEST_SUITE_P(Texts, PackRunAccepts,
                         ::testing::Values(AcceptCase{"BothEmptyMeanNoPassword", "", 0},
                                           AcceptCase{"ABlankIsAPassword", " ", 1},
                                           AcceptCase{"Umlauts",
                                                      "Gr\xFC\xDF"
                                                      "e",
                                                      1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PasswordDialogTest, AMismatchInThePackRunEmptiesBothFieldsAndKeepsTheDialog) {
    hl::Click(ui::PasswordButton);
    ScriptPassword("geheim", "Geheim"); // letter case matters
    ui::RunMainLoop();                  // the script ends while the dialog waits
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].caption, "Tessaro");
    EXPECT_EQ(Messages()[0].text, kMismatch);
    EXPECT_TRUE(DialogOpen());
    EXPECT_EQ(Text(ui::ConfirmField), "");
    EXPECT_EQ(Text(ui::PasswordField), "");
    EXPECT_EQ(Archive().passwordSet, 0);
}

TEST_F(PasswordDialogTest, AfterAMismatchTheSameDialogTakesANewTry) {
    hl::Click(ui::PasswordButton);
    ScriptPassword("eins", "zwei");
    ScriptPassword("drei", "drei");
    ui::RunMainLoop();
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Archive().password, "drei");
    EXPECT_FALSE(DialogOpen());
    EXPECT_EQ(TimesOpened(), 1);
}

TEST_F(PasswordDialogTest, AbortKeepsThePasswordSetBefore) {
    ArchiveSetPassword("alt");
    hl::Click(ui::PasswordButton);
    hl::Type(ui::PasswordField, "neu");
    hl::Type(ui::ConfirmField, "neu");
    hl::Click(ui::AbortButton);
    ui::RunMainLoop();
    EXPECT_EQ(Archive().password, "alt");
    EXPECT_EQ(Archive().passwordSet, 1);
    EXPECT_FALSE(DialogOpen());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(PasswordDialogTest, MainWindowControlsAreDroppedWhileTheDialogWaits) {
    hl::AnswerChooser({Put("a.txt", "eins")});
    hl::Click(ui::SourceBrowseButton);
    ScriptFormatAndOutput(Program("out.zip"));
    hl::Click(ui::PasswordButton);
    hl::Click(ui::PackButton);  // dropped
    hl::Click(ui::ZipCheckBox); // performed on screen, but its handler does not run
    hl::Click(ui::AbortButton);
    ui::RunMainLoop();
    EXPECT_FALSE(Exists(Host("out.zip")));
    EXPECT_EQ(ui::Ui().formatChosen, 1);
    EXPECT_EQ(hl::Control(ui::ZipCheckBox)->state, 0);
}

TEST_F(PasswordDialogTest, ClosingTheMainWindowWhileTheDialogIsOpenEndsTheProgram) {
    // In the pack run.
    hl::AnswerChooser({Put("a.txt", "eins")});
    hl::Click(ui::SourceBrowseButton);
    ScriptFormatAndOutput(Program("out.zip"));
    hl::Click(ui::PasswordButton);
    hl::RequestClose(ui::MainWindow);
    hl::Click(ui::PackButton); // never reached
    ui::RunMainLoop();
    EXPECT_EQ(hl::PendingActions(When::Waiting), 1u);
    EXPECT_FALSE(hl::ScriptExhausted());
    EXPECT_FALSE(Exists(Host("out.zip")));

    // In the unpack run.
    SetUp();
    MakeFolder("ziel");
    ScriptUnpack(EncryptedArchive("geheim"), Program("ziel"));
    hl::RequestClose(ui::MainWindow);
    hl::Click(ui::UnpackButton); // never reached
    ui::RunMainLoop();
    EXPECT_EQ(TimesOpened(), 1);
    EXPECT_EQ(hl::PendingActions(When::Waiting), 1u);
    EXPECT_FALSE(Exists(Host("ziel/geheim.txt")));
    EXPECT_EQ(hl::Beeps(), 0);
}

TEST_F(PasswordDialogTest, AMismatchInTheUnpackRunClosesTheDialogAndExtractsNothing) {
    MakeFolder("ziel");
    std::string archive = EncryptedArchive("geheim");
    ScriptUnpack(archive, Program("ziel"));
    ScriptPassword("geheim", "geheimX");
    ui::RunMainLoop();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].caption, "Tessaro");
    EXPECT_EQ(Messages()[0].text, kMismatch);
    EXPECT_FALSE(DialogOpen());
    EXPECT_FALSE(Exists(Host("ziel/geheim.txt")));
    EXPECT_EQ(hl::Beeps(), 0);
    EXPECT_EQ(Archive().passwordSet, 0);
    // Nothing was reset: the user starts again with "Entpacken".
    EXPECT_EQ(Text(ui::UnpackArchiveField), archive);
    EXPECT_EQ(Text(ui::DestinationField), Program("ziel") + "\\");
}

TEST_F(PasswordDialogTest, EveryUnpackRunStartsAfresh) {
    MakeFolder("ziel");
    ScriptUnpack(EncryptedArchive("geheim"), Program("ziel"));
    ScriptPassword("a", "b");    // first run: mismatch
    hl::Click(ui::UnpackButton); // second run: waits until "Abbruch"
    hl::Click(ui::PackButton);   // dropped
    hl::Click(ui::AbortButton);
    hl::Click(ui::UnpackButton); // third run
    ScriptPassword("geheim", "geheim");
    ui::RunMainLoop();
    EXPECT_EQ(TimesOpened(), 3);
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(ReadFile(Host("ziel/geheim.txt")), "Inhalt");
    EXPECT_EQ(hl::Beeps(), 1);
}

TEST_F(PasswordDialogTest, AnEmptyPasswordAcceptedForUnpackingAlsoPacksWithoutOne) {
    ArchiveSetPassword("alt");
    MakeFolder("ziel");
    ScriptUnpack(EncryptedArchive("geheim"), Program("ziel"));
    ScriptPassword("", "");
    hl::AnswerChooser({Put("a.txt", "eins")});
    hl::Click(ui::SourceBrowseButton);
    ScriptFormatAndOutput(Program("out.zip"));
    hl::Click(ui::PackButton);
    ui::RunMainLoop();
    EXPECT_EQ(Archive().passwordSet, 0);
    EXPECT_FALSE(Exists(Host("ziel/geheim.txt")));
    auto entries = EntriesOf(Host("out.zip"));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].flags & 1, 0u);
}

TEST_F(PasswordDialogTest, FocusGoesFromTheLowerFieldToTheUpperOneThenFertigThenAbbruch) {
    hl::Click(ui::PasswordButton);
    ui::RunMainLoop(); // the script ends while the dialog waits
    std::vector<int> order;
    for (int id : hl::ControlOrder()) {
        const auto* c = hl::Control(id);
        if (c->window != ui::PasswordDialog) continue;
        if (c->kind == tk::Kind::TextField || c->kind == tk::Kind::PushButton) order.push_back(id);
    }
    EXPECT_EQ(order, (std::vector<int>{ui::ConfirmField, ui::PasswordField, ui::DoneButton,
                                       ui::AbortButton}));
    EXPECT_GT(hl::Control(ui::ConfirmField)->y, hl::Control(ui::PasswordField)->y);
    EXPECT_TRUE(hl::Control(ui::ConfirmField)->masked);
    EXPECT_TRUE(hl::Control(ui::PasswordField)->masked);
}

} // namespace
} // namespace workflow_test
