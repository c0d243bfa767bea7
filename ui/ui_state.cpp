#include "ui/ui_state.h"

namespace ui {
UiState& Ui() {
    static UiState state;
    return state;
}
} // namespace ui
