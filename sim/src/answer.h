// What a terminal sends back for one request.
#pragma once

#include <functional>

#include "wire.h"

namespace termsim {

struct Answer {
    enum class Kind { None, Ack, Nak, Eot, Data };

    Kind kind = Kind::None;
    Bytes payload;                 // encoded payload of a data answer
    std::function<void()> on_ack;  // a data answer takes effect only once the host acknowledges it

    static Answer none() { return {}; }
    static Answer ack() { return {Kind::Ack, {}, {}}; }
    static Answer nak() { return {Kind::Nak, {}, {}}; }
    static Answer eot() { return {Kind::Eot, {}, {}}; }
    static Answer data(Bytes payload, std::function<void()> on_ack = {}) {
        return {Kind::Data, std::move(payload), std::move(on_ack)};
    }
};

}  // namespace termsim
