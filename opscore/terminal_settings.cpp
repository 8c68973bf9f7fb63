#include "terminal_settings.h"

namespace opscore {

char keypad_character(KeypadSetting) {
    return 0;
}

int beeper_volume(BeeperLevel) {
    return 0;
}

char system_font_character(SystemFont) {
    return 0;
}

}  // namespace opscore
