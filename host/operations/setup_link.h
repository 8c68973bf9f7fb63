// The link-library calls of the set-up commands, behind one small interface so the commands'
// tests can script the line.
#pragma once

#include <string>

namespace vantrel {

enum class SetupCall {
    ColdStart,
    WarmStart,
    Kermit,
    PowerSavingOff,
    PowerSavingOn,
    Delete,       // text: the file
    Run,          // text: the program
    SendData,     // text: the data
    SetAddress,   // number: the new address character
    AutoBoot,     // text: the program
    BarTable,     // text: the table
    Buzzer,       // number: the volume
    SystemFont,   // number: the font character
    CommTable,    // text: the table
    DeviceTable,  // text: the table
    ExeSize,      // number: kilobytes
    Keypad,       // number: the keypad character
    Password,     // text: the password
    DateTime,     // text: YYYYMMDDhhmmss
    Ups,
};

class SetupLink {
public:
    virtual ~SetupLink() = default;
    // One command to the terminal at address; each call takes the text or the number its
    // comment names and ignores the other.
    virtual int call(SetupCall call, int port, char address, const std::string& text,
                     int number) = 0;
    // A pause that keeps the window's events flowing, so Stop is noticed during it.
    virtual void delay(int milliseconds) = 0;
};

SetupLink& librarySetupLink();

}  // namespace vantrel
