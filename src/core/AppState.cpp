#include "core/AppState.h"

namespace pikoro {

void ApplyKeyCaptions(AppState &state, bool kana)
{
    state.keyCaptions = kana ? KanaCaptions() : LetterCaptions();
}

} // namespace pikoro
