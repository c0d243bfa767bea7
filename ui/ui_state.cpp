#include "ui/ui_state.h"

#include "ui/texts.h"

namespace ui {

UiState& Ui() {
    static UiState state;
    return state;
}

void PrepareChoosers() {
    tk::SetChooserRefusals(tk::ChooserRefusals{texts::Caption, texts::UnnamableBefore,
                                               texts::UnnamableAfter, texts::MissingFolderBefore,
                                               texts::MissingFolderAfter});
}

} // namespace ui
