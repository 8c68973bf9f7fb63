#include "terminal_settings.h"

namespace opscore {

char keypad_character(KeypadSetting setting) {
    switch (setting) {
        case KeypadSetting::Lock:
            return '0';
        case KeypadSetting::Unlock:
            return '1';
        case KeypadSetting::PartialLock:
            return '2';
        case KeypadSetting::RestoreKeymap:
            return 'A';
    }
    return 0;
}

int beeper_volume(BeeperLevel level) {
    switch (level) {
        case BeeperLevel::Low:
            return 0;
        case BeeperLevel::Medium:
            return 5;
        case BeeperLevel::High:
            return 9;
    }
    return 0;
}

char system_font_character(SystemFont font) {
    switch (font) {
        case SystemFont::All:
            return '0';
        case SystemFont::Font16x8:
            return '1';
        case SystemFont::Font32x16:
            return '2';
    }
    return 0;
}

}  // namespace opscore
