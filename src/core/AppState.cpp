#include "core/AppState.h"

namespace pikoro {

void applyKeyCaptions(AppState &state, bool kana) {
    state.keyCaptions = kana ? kanaCaptions() : letterCaptions();
}

} // namespace pikoro
