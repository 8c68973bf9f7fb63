// The one-character settings that set-up commands send: keypad, beeper volume, system font.
#pragma once

namespace opscore {

enum class KeypadSetting { Lock, Unlock, PartialLock, RestoreKeymap };
// The character the terminal takes for it: "0" lock, "1" unlock, "2" partial lock, "A" restore.
char keypad_character(KeypadSetting setting);

enum class BeeperLevel { Low, Medium, High };
// The volume number the buzzer command sends: 0, 5, 9.
int beeper_volume(BeeperLevel level);

enum class SystemFont { All, Font16x8, Font32x16 };
// The character the font command sends: "0", "1", "2".
char system_font_character(SystemFont font);

}  // namespace opscore
