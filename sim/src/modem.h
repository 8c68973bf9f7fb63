// A Hayes modem in front of the line: AT commands in command state, the terminals in data state.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "downlink.h"
#include "options.h"
#include "pty_port.h"
#include "scheduler.h"
#include "trace.h"

namespace termsim {

class Modem : public Downlink, public Uplink {
public:
    Modem(int baud, std::vector<DialPlan> numbers, PtyPort& port, Scheduler& timers, Trace& trace);

    void attach(Uplink& line) { line_ = &line; }

    // Host side.
    void receive(std::uint8_t byte, Nanos arrival) override;
    // Line side.
    void send(const Bytes& bytes, Nanos earliest) override;
    bool has_carrier() const override { return state_ == State::Data; }
    void drop_carrier(Nanos at) override;

private:
    enum class State { Command, Dialing, Data };

    void command_byte(std::uint8_t byte, Nanos arrival);
    void data_byte(std::uint8_t byte, Nanos arrival);
    void execute(const std::string& line, Nanos at);
    // Runs the commands after "AT"; false for one it does not know.
    bool run_commands(const std::string& commands, Nanos at, bool& answered);
    void dial(const std::string& number, Nanos at);
    void dial_result(const DialPlan& plan);
    void reply(const std::string& word, Nanos at);
    void check_escape(unsigned token);

    int baud_;
    std::vector<DialPlan> numbers_;
    PtyPort& port_;
    Scheduler& timers_;
    Trace& trace_;
    Uplink* line_ = nullptr;
    State state_ = State::Command;
    bool connected_ = false;  // a call is up (also while escaped to command state)
    bool echo_ = true;
    std::string command_;
    std::map<int, int> registers_;
    Nanos last_host_byte_ = 0;
    Nanos last_plus_ = 0;
    int plus_count_ = 0;
    unsigned escape_token_ = 0;
};

}  // namespace termsim
