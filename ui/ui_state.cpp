#include "ui/ui_state.h"

#include "ui/texts.h"

namespace ui {

UiState& Ui() {
    static UiState state;
    return state;
}

void PrepareChoosers() {
    tk::ChooserTexts t;
    t.caption = texts::Caption;
    t.unnamableBefore = texts::UnnamableBefore;
    t.unnamableAfter = texts::UnnamableAfter;
    t.missingFolderBefore = texts::MissingFolderBefore;
    t.missingFolderAfter = texts::MissingFolderAfter;
    t.fileType = texts::ChooserFileType;
    t.fileName = texts::ChooserFileName;
    t.cancel = texts::ChooserCancel;
    t.preview = texts::ChooserPreview;
    t.showHidden = texts::ChooserShowHidden;
    t.favorites = texts::ChooserFavorites;
    t.addFavorite = texts::ChooserAddFavorite;
    t.manageFavorites = texts::ChooserManageFavorites;
    t.fileSystems = texts::ChooserFileSystems;
    t.newFolder = texts::ChooserNewFolder;
    t.newFolderTooltip = texts::ChooserNewFolderTooltip;
    t.customFilter = texts::ChooserCustomFilter;
    t.existingFile = texts::ChooserExistingFile;
    tk::SetChooserTexts(t);
}

} // namespace ui
