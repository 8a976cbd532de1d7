#include "game/game_state.h"

namespace klice {

game_state_t game_state;

}  // namespace klice
