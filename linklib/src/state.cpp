#include "state.h"

namespace vantlink {

LinkState& state() {
    static LinkState instance;
    return instance;
}

Transport* port_transport(int32_t port) {
    if (port < 0 || port >= kPortCount) return nullptr;
    return state().ports[static_cast<size_t>(port)].get();
}

bool install_transport(int32_t port, std::unique_ptr<Transport> transport) {
    if (port < 0 || port >= kPortCount) return false;
    state().ports[static_cast<size_t>(port)] = std::move(transport);
    return true;
}

}  // namespace vantlink
