// A KD24 configuration file as the operator hands it over: any content read into the record the
// terminal receives. A record must have the documented layout and be able to travel as a
// zero-terminated string; a refused file gives no record.
#include <cstdint>
#include <sstream>
#include <string>

#include "kd24_config.h"

namespace {

using namespace opscore;

void check(bool condition) {
    if (!condition) __builtin_trap();
}

constexpr std::size_t kMaxFields = 9;
constexpr std::size_t kFieldBytes = 8 + 1 + 1;  // name padded to 8, number, character

void checkRecord(const Kd24Record& record) {
    if (record.error) {
        check(record.bytes.empty());
        check(!record.error->message.empty());
        return;
    }
    const std::string& bytes = record.bytes;
    check(bytes.size() >= 3);
    const std::size_t fields = static_cast<unsigned char>(bytes[2]) - 64u;
    check(fields >= 1 && fields <= kMaxFields);
    check(bytes.size() == 3 + fields * kFieldBytes);
    // The record goes out zero-terminated: a zero inside would cut it short.
    check(bytes.find('\0') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream file(text);
    const Kd24Record record = kd24_record(file);
    checkRecord(record);

    // The same file read again gives the same record: the reader rewinds the stream itself.
    const Kd24Record again = kd24_record(file);
    check(again.bytes == record.bytes && again.error.has_value() == record.error.has_value());

    // A key looked up: found values come from one line of the file, and only a line past the
    // limit stops the lookup.
    for (const char* key : {"FIELD", "FIELD_DELIMETER", "RECORD_DELIMETER", "CFG"}) {
        const ConfigValue value = config_value(file, key);
        check(!(value.value && value.error));
        if (value.value) {
            check(value.value->size() <= kMaxConfigLine);
            check(value.value->find('\n') == std::string::npos);
            check(text.find(*value.value) != std::string::npos);
        }
        if (value.error) check(value.error->kind == Kd24Error::Kind::LineTooLong);
    }
    // A successful record needs the field list, so its lookup cannot have failed.
    if (!record.error) check(config_value(file, "FIELD").value.has_value());
    return 0;
}
