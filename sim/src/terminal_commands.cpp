// The command table: one handler per command letter.
#include "terminal.h"

namespace termsim {

const std::map<std::uint8_t, Terminal::Handler>& Terminal::handlers() {
    static const std::map<std::uint8_t, Handler> table = {
        {'7', &Terminal::on_wake_check},
        {'8', &Terminal::on_sleep},
        {'A', &Terminal::on_warm_start},
    };
    return table;
}

}  // namespace termsim
