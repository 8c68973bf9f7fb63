// The multi-drop line: routes each request to the terminal it names and sends its answer,
// with the seeded faults applied.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "downlink.h"
#include "faults.h"
#include "request_parser.h"
#include "terminal.h"
#include "tester.h"
#include "trace.h"

namespace termsim {

struct LineConfig {
    Nanos turnaround = 0;
    FaultRates faults;
    std::uint64_t seed = 1;
};

class Line : public Uplink {
public:
    Line(std::vector<std::unique_ptr<Terminal>> terminals, std::unique_ptr<Tester> tester,
         const LineConfig& config, Trace& trace, Downlink& downlink);

    void receive(std::uint8_t byte, Nanos arrival) override;

    Terminal* find(std::uint8_t address_byte);

private:
    // A data answer waiting for the host's ACK or NAK.
    struct Pending {
        Bytes payload;
        std::function<void()> on_ack;
    };

    void on_poll(std::uint8_t address_byte, Nanos at);
    void on_command(const Request& request, Nanos at);
    void on_byte(std::uint8_t byte, Nanos at);
    template <typename Handle>
    void answer_request(Handle handle, Nanos at);
    void transmit(Answer answer, Nanos at);
    Bytes data_frame(const Bytes& payload);
    void deliver(const Bytes& answer, Nanos start);
    void fault(const char* what);
    bool address_in_use(char address) const;

    std::vector<std::unique_ptr<Terminal>> terminals_;
    std::unique_ptr<Tester> tester_;
    LineConfig config_;
    Trace& trace_;
    Downlink& downlink_;
    FaultDice dice_;
    RequestParser parser_;
    std::optional<Pending> pending_;
};

}  // namespace termsim
