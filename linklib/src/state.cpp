#include "state.h"

#include "trace.h"

namespace vantlink {

LinkState& state() {
    static LinkState instance;
    return instance;
}

// From inside the trace handler no port is open: the handler may run inside a write of the
// very transport a call of it would close or replace.
Transport* port_transport(int32_t port) {
    if (port < 0 || port >= kPortCount || trace_hook_running) return nullptr;
    return state().ports[static_cast<size_t>(port)].get();
}

bool install_transport(int32_t port, std::unique_ptr<Transport> transport) {
    if (port < 0 || port >= kPortCount || trace_hook_running) return false;
    state().ports[static_cast<size_t>(port)] = std::move(transport);
    return true;
}

}  // namespace vantlink
