#pragma once
// Every text the program shows or compares, in one place.
//
// Decision: the texts are written as cp1252 bytes with hex escapes, so the sources stay
// plain ASCII and no compiler option decides what the bytes are. The readable text stands
// beside each escaped one. An escape is always closed by ending the literal ("f\xFC" "r"),
// because a following letter a-f would otherwise be read as part of the escape.
// Some texts carry the program's own irregularities (two blanks, typos, "Tessaro"); they
// are kept byte for byte, since users and documentation know them that way.

namespace ui::texts {

// The pieces of an escaped text stay on one line.
// clang-format off

// --- Main window ---------------------------------------------------------------------
inline constexpr char MainTitle[] = "Zelvanto";
inline constexpr char Quit[] = "Beenden";
inline constexpr char PackTab[] = "Packen";
inline constexpr char UnpackTab[] = "Entpacken";
// "Zu Packende Dateien  auswählen:" (two blanks before the last word)
inline constexpr char SourceFrame[] = "Zu Packende Dateien  ausw\xE4" "hlen:";
// "Ausgabepfad für das Archiv:"
inline constexpr char ArchiveFrame[] = "Ausgabepfad f\xFC" "r das Archiv:";
inline constexpr char ZipCheckBox[] = "ZIP";
inline constexpr char FormatFrame[] = "Ausgabeformat:";
inline constexpr char PackStatusFrame[] = "Status des Packens der aktuellen Datei:";
inline constexpr char PackButton[] = "Packen";
inline constexpr char PasswordButton[] = "Passwort";
inline constexpr char TotalLabel[] = "Gesamt:";
inline constexpr char CurrentFileLabel[] = "Aktuelle Datei: "; // trailing blank
inline constexpr char UnpackArchiveFrame[] = "Zu entpackende Datei:";
// "Ausgabepfad für die entpackten Dateien:"
inline constexpr char DestinationFrame[] = "Ausgabepfad f\xFC" "r die entpackten Dateien:";
inline constexpr char UnpackStatusFrame[] = "Status des Entpackens";
inline constexpr char UnpackButton[] = "Entpacken";

// --- Pack workflow -------------------------------------------------------------------
// "Bitte wählen Sie die Datei/n aus:"
inline constexpr char ChooseFilesTitle[] = "Bitte w\xE4" "hlen Sie die Datei/n aus:";
inline constexpr char AllFilesFilter[] = "Alle Dateien (*.*)|*.*";
// "Error, Sie haben kein Ausgabeformat gewählt"
inline constexpr char NoOutputFormat[] = "Error, Sie haben kein Ausgabeformat gew\xE4" "hlt";
// "Bitte wählen Sie aus wo Sie die Datei speichern möchten:"
inline constexpr char ChooseArchiveTitle[] =
    "Bitte w\xE4" "hlen Sie aus wo Sie die Datei speichern m\xF6" "chten:";
inline constexpr char ZipFilter[] = "Zip (*.zip)|*.zip";
inline constexpr char ZipSuffix[] = ".zip";
// "Error, Sie haben das Format nicht ausgewählt"
inline constexpr char FormatNotChosen[] = "Error, Sie haben das Format nicht ausgew\xE4" "hlt";
inline constexpr char FilePrefix[] = "Datei: "; // trailing blank
inline constexpr char Ellipsis[] = "...";

// --- Unpack workflow -----------------------------------------------------------------
// "Biite wählen Sie das zue entpackende Archiv aus" (with its two typos)
inline constexpr char ChooseUnpackArchiveTitle[] =
    "Biite w\xE4" "hlen Sie das zue entpackende Archiv aus";
inline constexpr char DestinationPrompt[] = "Ausgabeort:";
inline constexpr char ZipExtension[] = "zip";
inline constexpr char AllEntries[] = "*.*";

// --- Password dialog -----------------------------------------------------------------
// "Passwort zum Archiv hinzufügen"
inline constexpr char PasswordTitle[] = "Passwort zum Archiv hinzuf\xFC" "gen";
inline constexpr char PasswordFrame[] = "Bitte geben Sie das Passwort ein:";
// "Bitte bestätigen Sie das Passwort:"
inline constexpr char ConfirmFrame[] = "Bitte best\xE4" "tigen Sie das Passwort:";
inline constexpr char Done[] = "Fertig";
inline constexpr char Abort[] = "Abbruch";
// "Error, die angegebenden Passwörter stimmen nicht überein!" (with its typo)
inline constexpr char PasswordMismatch[] =
    "Error, die angegebenden Passw\xF6" "rter stimmen nicht \xFC" "berein!";

// --- Failures the engine reports ------------------------------------------------------
// A count goes in front of the unit texts: "Error, 3 Einträge wurden nicht entpackt."
inline constexpr char ErrorPrefix[] = "Error, ";
// "Error, das Archiv kann nicht geöffnet werden. Es fehlt oder ist kein gültiges ZIP-Archiv."
inline constexpr char ArchiveCannotBeOpened[] = "Error, das Archiv kann nicht ge\xF6" "ffnet werden. Es fehlt oder ist kein g\xFC" "ltiges ZIP-Archiv.";
inline constexpr char OneEntryNotWritten[] = " Eintrag wurde nicht entpackt.";
// " Einträge wurden nicht entpackt."
inline constexpr char EntriesNotWritten[] = " Eintr\xE4" "ge wurden nicht entpackt.";
inline constexpr char ReasonHeading[] = "Grund:";
// "Gründe:"
inline constexpr char ReasonsHeading[] = "Gr\xFC" "nde:";
inline constexpr char ReasonWrongPassword[] = "Falsches oder fehlendes Passwort: ";
// "Beschädigte Daten: "
inline constexpr char ReasonDamagedData[] = "Besch\xE4" "digte Daten: ";
// "Name unzulässig (außerhalb des Zielordners, zu lang oder nicht darstellbar): "
inline constexpr char ReasonUnsafeName[] = "Name unzul\xE4" "ssig (au\xDF" "erhalb des Zielordners, zu lang oder nicht darstellbar): ";
// "Kompression oder Verschlüsselung nicht unterstützt: "
inline constexpr char ReasonUnsupported[] = "Kompression oder Verschl\xFC" "sselung nicht unterst\xFC" "tzt: ";
inline constexpr char ReasonCannotCreate[] = "Datei oder Ordner konnte nicht geschrieben werden: ";
// "Error, das Archiv kann nicht angelegt werden. Bitte prüfen Sie den Ausgabepfad."
inline constexpr char ArchiveCannotBeCreated[] = "Error, das Archiv kann nicht angelegt werden. Bitte pr\xFC" "fen Sie den Ausgabepfad.";
inline constexpr char OneFileNotPacked[] = " Datei wurde nicht ins Archiv aufgenommen:";
inline constexpr char FilesNotPacked[] = " Dateien wurden nicht ins Archiv aufgenommen:";

// --- File choosers --------------------------------------------------------------------
// The choosers refuse, with these texts, a name the program cannot use and a folder that
// does not exist; the name or folder stands between the two parts, in German quotes.
// "Error, der Name „"
inline constexpr char UnnamableBefore[] = "Error, der Name \x84";
// "“ kann nicht verwendet werden, weil er Zeichen enthält, die dieses Programm nicht darstellen kann. Bitte benennen Sie die Datei um oder wählen Sie eine andere."
inline constexpr char UnnamableAfter[] = "\x93 kann nicht verwendet werden, weil er Zeichen enth\xE4" "lt, die dieses Programm nicht darstellen kann. Bitte benennen Sie die Datei um oder w\xE4" "hlen Sie eine andere.";
// The labels of the choosers' own controls and messages.
inline constexpr char ChooserFileType[] = "Typ:"; // the chooser leaves room for a short one
inline constexpr char ChooserFileName[] = "Dateiname:";
inline constexpr char ChooserCancel[] = "Abbrechen";
inline constexpr char ChooserPreview[] = "Vorschau";
inline constexpr char ChooserShowHidden[] = "Versteckte Dateien anzeigen";
inline constexpr char ChooserFavorites[] = "Favoriten";
// "Zu den Favoriten hinzufügen"
inline constexpr char ChooserAddFavorite[] = "Zu den Favoriten hinzuf\xFC" "gen";
inline constexpr char ChooserManageFavorites[] = "Favoriten verwalten";
inline constexpr char ChooserFileSystems[] = "Dateisysteme";
inline constexpr char ChooserNewFolder[] = "Neuer Ordner:";
inline constexpr char ChooserNewFolderTooltip[] = "Neuen Ordner anlegen";
inline constexpr char ChooserCustomFilter[] = "Eigenes Dateimuster:";
// "Bitte wählen Sie eine vorhandene Datei!"
inline constexpr char ChooserExistingFile[] = "Bitte w\xE4" "hlen Sie eine vorhandene Datei!";
// "Error, der Ordner „"
inline constexpr char MissingFolderBefore[] = "Error, der Ordner \x84";
// "“ existiert nicht."
inline constexpr char MissingFolderAfter[] = "\x93 existiert nicht.";

// --- Message box captions ------------------------------------------------------------
inline constexpr char Caption[] = "Zelvanto";
inline constexpr char MismatchCaption[] = "Tessaro";

// clang-format on

} // namespace ui::texts
